/* Status texts and the localised message catalogue. */
#include "prlcore_internal.h"

#include <nl_types.h>
#include <string.h>

/* Every status code of the library family, in ascending order of code. */
const OwnStatusRow prlMsg[] = {
    {-9999, "prlStsNotSupportedModeErr: The requested mode is currently not supported"},
    {-9998, "prlStsCpuNotSupportedErr: The target cpu is not supported"},
    {-9702, "No shared libraries were found in the Waterfall procedure"},
    {-9701, "No DLLs were found in the Waterfall procedure"},
    {-9700, "Error at loading of %s library"},
    {-224, "prlStsDitherTypeErr: Dithering type is not supported"},
    {-223, "prlStsH264BufferFullErr: Buffer for the output bitstream is full"},
    {-222, "prlStsWrongAffinitySettingErr: An affinity setting does not match the operating system settings"},
    {-221, "prlStsLoadDynErr: Error when loading the dynamic library"},
    {-220, "prlStsPointAtInfinity: Point at infinity is detected"},
    {-219, "prlStsI18nUnsupportedErr: Internationalization (i18n) is not supported"},
    {-218, "prlStsI18nMsgCatalogOpenErr: Message Catalog cannot be opened, for extended information use errno in Linux "
           "and GetLastError in Windows*"},
    {-217, "prlStsI18nMsgCatalogCloseErr: Message Catalog cannot be closed, for extended information use errno in "
           "Linux and GetLastError in Windows*"},
    {-216, "prlStsUnknownStatusCodeErr: Unknown Status Code"},
    {-215, "prlStsOFBSizeErr: Wrong value of the OFB block size"},
    {-214, "prlStsLzoBrokenStreamErr: LZO safe decompression function found a broken compressed stream"},
    {-213, "prlStsRoundModeNotSupportedErr: Rounding mode is not supported"},
    {-212, "prlStsDecimateFractionErr: Unsupported fraction in decimation"},
    {-211, "prlStsWeightErr: Incorrect value of a weight"},
    {-210, "prlStsQualityIndexErr: Quality index cannot be calculated for an image filled with a constant"},
    {-209, "prlStsIIRPassbandRippleErr: Ripple in the passband of the IIR filter is out of range"},
    {-208, "prlStsFilterFrequencyErr: Cut-off frequency of the filter is out of range"},
    {-207, "prlStsFIRGenOrderErr: Order of the FIR filter for design is out of range"},
    {-206, "prlStsIIRGenOrderErr: Order of the IIR filter for design is out of range"},
    {-205, "prlStsConvergeErr: The algorithm does not converge"},
    {-204, "prlStsSizeMatchMatrixErr: Sizes of the source matrices are unsuitable"},
    {-203, "prlStsCountMatrixErr: Count value is less than or equal to zero"},
    {-202, "prlStsRoiShiftMatrixErr: ROI shift index is out of range"},
    {-201, "prlStsResizeNoOperationErr: One of the output image dimensions is less than 1 pixel"},
    {-200, "prlStsSrcDataErr: The source buffer contains unsupported data"},
    {-199, "prlStsMaxLenHuffCodeErr: Huffman code length exceeds the maximum"},
    {-198, "prlStsCodeLenTableErr: Invalid table of code lengths"},
    {-197, "prlStsFreqTableErr: Invalid frequency table"},
    {-196, "prlStsIncompleteContextErr: Crypto: the context is not complete"},
    {-195, "prlStsSingularErr: Matrix is singular"},
    {-194, "prlStsSparseErr: Tap positions are not in ascending order, negative or repeated"},
    {-193, "prlStsBitOffsetErr: Incorrect bit offset value"},
    {-192, "prlStsQPErr: Incorrect quantization parameter value"},
    {-191, "prlStsVLCErr: Illegal variable length code"},
    {-190, "prlStsRegExpOptionsErr: Regular expression: invalid option"},
    {-189, "prlStsRegExpErr: Regular expression: invalid pattern"},
    {-188, "prlStsRegExpMatchLimitErr: Regular expression: match limit exceeded"},
    {-187, "prlStsRegExpQuantifierErr: Regular expression: invalid quantifier"},
    {-186, "prlStsRegExpGroupingErr: Regular expression: invalid grouping"},
    {-185, "prlStsRegExpBackRefErr: Regular expression: invalid back reference"},
    {-184, "prlStsRegExpChClassErr: Regular expression: invalid character class"},
    {-183, "prlStsRegExpMetaChErr: Regular expression: invalid metacharacter"},
    {-182, "prlStsStrideMatrixErr: Stride value is not a positive multiple of the element size"},
    {-181, "prlStsCTRSizeErr: Wrong value of the CTR block size"},
    {-180, "prlStsJPEG2KCodeBlockIsNotAttached: The code block is not attached to a JPEG 2000 tile"},
    {-179, "prlStsNotPosDefErr: Matrix is not positive definite"},
    {-178, "prlStsEphemeralKeyErr: ECC: invalid ephemeral key"},
    {-177, "prlStsMessageErr: ECC: invalid message digest"},
    {-176, "prlStsShareKeyErr: ECC: invalid shared key"},
    {-175, "prlStsIvalidPublicKey: ECC: invalid public key"},
    {-174, "prlStsIvalidPrivateKey: ECC: invalid private key"},
    {-173, "prlStsOutOfECErr: ECC: the point is out of the elliptic curve"},
    {-172, "prlStsECCInvalidFlagErr: ECC: invalid flag"},
    {-171, "prlStsMP3FrameHeaderErr: Error in the fields of the MP3 frame header"},
    {-170, "prlStsMP3SideInfoErr: Error in the fields of the MP3 side information"},
    {-169, "prlStsBlockStepErr: Step for the block is less than 8"},
    {-168, "prlStsMBStepErr: Step for the macroblock is less than 16"},
    {-167, "prlStsAacPrgNumErr: AAC: invalid number of elements for one program"},
    {-166, "prlStsAacSectCbErr: AAC: invalid section codebook"},
    {-164, "prlStsAacSfValErr: AAC: invalid value of a scale factor"},
    {-163, "prlStsAacCoefValErr: AAC: invalid value of a quantized coefficient"},
    {-162, "prlStsAacMaxSfbErr: AAC: invalid number of scale factor bands"},
    {-161, "prlStsAacPredSfbErr: AAC: invalid number of prediction scale factor bands"},
    {-160, "prlStsAacPlsDataErr: AAC: invalid pulse data attributes"},
    {-159, "prlStsAacGainCtrErr: AAC: gain control is not supported"},
    {-158, "prlStsAacSectErr: AAC: invalid number of sections"},
    {-157, "prlStsAacTnsNumFiltErr: AAC: invalid number of TNS filters"},
    {-156, "prlStsAacTnsLenErr: AAC: invalid length of the TNS region"},
    {-155, "prlStsAacTnsOrderErr: AAC: invalid order of the TNS filter"},
    {-154, "prlStsAacTnsCoefResErr: AAC: invalid bit resolution of the TNS filter coefficients"},
    {-153, "prlStsAacTnsCoefErr: AAC: invalid TNS filter coefficients"},
    {-152, "prlStsAacTnsDirectErr: AAC: invalid TNS filter direction"},
    {-151, "prlStsAacTnsProfileErr: AAC: invalid TNS profile"},
    {-150, "prlStsAacErr: AAC: internal error"},
    {-149, "prlStsAacBitOffsetErr: AAC: invalid current bit offset in the bitstream"},
    {-148, "prlStsAacAdtsSyncWordErr: AAC: invalid ADTS syncword"},
    {-147, "prlStsAacSmplRateIdxErr: AAC: invalid sample rate index"},
    {-146, "prlStsAacWinLenErr: AAC: invalid window length (not short or long)"},
    {-145, "prlStsAacWinGrpErr: AAC: invalid number of groups for the current window length"},
    {-144, "prlStsAacWinSeqErr: AAC: invalid window sequence range"},
    {-143, "prlStsAacComWinErr: AAC: invalid common window flag"},
    {-142, "prlStsAacStereoMaskErr: AAC: invalid stereo mask"},
    {-141, "prlStsAacChanErr: AAC: invalid channel number"},
    {-140, "prlStsAacMonoStereoErr: AAC: invalid mono or stereo layer flag"},
    {-139, "prlStsAacStereoLayerErr: AAC: invalid stereo layer"},
    {-138, "prlStsAacMonoLayerErr: AAC: invalid mono layer"},
    {-137, "prlStsAacScalableErr: AAC: invalid scalable object flag"},
    {-136, "prlStsAacObjTypeErr: AAC: invalid audio object type"},
    {-135, "prlStsAacWinShapeErr: AAC: invalid window shape"},
    {-134, "prlStsAacPcmModeErr: AAC: invalid PCM output interleaving indicator"},
    {-133, "prlStsVLCUsrTblHeaderErr: VLC: invalid header in the user table"},
    {-132, "prlStsVLCUsrTblUnsupportedFmtErr: VLC: unsupported format of the user table"},
    {-131, "prlStsVLCUsrTblEscAlgTypeErr: VLC: unsupported escape algorithm in the user table"},
    {-130, "prlStsVLCUsrTblEscCodeLengthErr: VLC: invalid escape code length in the user table"},
    {-129, "prlStsVLCUsrTblCodeLengthErr: VLC: invalid code length in the user table"},
    {-128, "prlStsVLCInternalTblErr: VLC: invalid internal table"},
    {-127, "prlStsVLCInputDataErr: VLC: invalid input data"},
    {-126, "prlStsVLCAACEscCodeLengthErr: VLC: invalid AAC escape code length"},
    {-125, "prlStsNoiseRangeErr: Noise value for the Wiener filter is out of range"},
    {-124, "prlStsUnderRunErr: Data under-run error"},
    {-123, "prlStsPaddingErr: Detected padding error, the decryption result may be incorrect"},
    {-122, "prlStsCFBSizeErr: Wrong value of the CFB block size"},
    {-121, "prlStsPaddingSchemeErr: Invalid padding scheme"},
    {-120, "prlStsInvalidCryptoKeyErr: The cipher key is invalid"},
    {-119, "prlStsLengthErr: Wrong value of a string length"},
    {-118, "prlStsBadModulusErr: Bad modulus caused a failure of the module inversion"},
    {-117, "prlStsLPCCalcErr: Linear prediction coefficients cannot be evaluated"},
    {-116, "prlStsRCCalcErr: Reflection coefficients cannot be computed"},
    {-115, "prlStsIncorrectLSPErr: Incorrect values for the line spectral pairs"},
    {-114, "prlStsNoRootFoundErr: No roots are found"},
    {-113, "prlStsJPEG2KBadPassNumber: JPEG 2000: pass number exceeds the allowed limits"},
    {-112, "prlStsJPEG2KDamagedCodeBlock: JPEG 2000: code block cannot be decoded, the data are damaged"},
    {-111, "prlStsH263CBPYCodeErr: H.263: illegal code in the CBPY table"},
    {-110, "prlStsH263MCBPCInterCodeErr: H.263: illegal code in the MCBPC inter table"},
    {-109, "prlStsH263MCBPCIntraCodeErr: H.263: illegal code in the MCBPC intra table"},
    {-108, "prlStsNotEvenStepErr: Step value is not a pixel multiple"},
    {-107, "prlStsHistoNofLevelsErr: Number of levels for the histogram is less than 2"},
    {-106, "prlStsLUTNofLevelsErr: Number of levels for the look-up table is less than 2"},
    {-105, "prlStsMP4BitOffsetErr: MPEG-4: incorrect bit offset value"},
    {-104, "prlStsMP4QPErr: MPEG-4: incorrect quantization parameter"},
    {-103, "prlStsMP4BlockIdxErr: MPEG-4: incorrect block index"},
    {-102, "prlStsMP4BlockTypeErr: MPEG-4: incorrect block type"},
    {-101, "prlStsMP4MVCodeErr: MPEG-4: illegal motion vector code"},
    {-100, "prlStsMP4VLCCodeErr: MPEG-4: illegal variable length code"},
    {-99, "prlStsMP4DCCodeErr: MPEG-4: illegal DC code"},
    {-98, "prlStsMP4FcodeErr: MPEG-4: incorrect fcode value"},
    {-97, "prlStsMP4AlignErr: MPEG-4: incorrect buffer alignment"},
    {-96, "prlStsMP4TempDiffErr: MPEG-4: incorrect temporal difference"},
    {-95, "prlStsMP4BlockSizeErr: MPEG-4: incorrect size of a block or macroblock"},
    {-94, "prlStsMP4ZeroBABErr: MPEG-4: all BAB values are zero"},
    {-93, "prlStsMP4PredDirErr: MPEG-4: incorrect prediction direction"},
    {-92, "prlStsMP4BitsPerPixelErr: MPEG-4: incorrect number of bits per pixel"},
    {-91, "prlStsMP4VideoCompModeErr: MPEG-4: incorrect video component mode"},
    {-90, "prlStsMP4LinearModeErr: MPEG-4: incorrect DC linear mode"},
    {-83, "prlStsH263PredModeErr: H.263: incorrect prediction mode"},
    {-82, "prlStsH263BlockStepErr: H.263: step value is less than 8"},
    {-81, "prlStsH263MBStepErr: H.263: step value is less than 16"},
    {-80, "prlStsH263FrameWidthErr: H.263: frame width is less than 8"},
    {-79, "prlStsH263FrameHeightErr: H.263: frame height is less than or equal to zero"},
    {-78, "prlStsH263ExpandPelsErr: H.263: expand pixels number is less than 8"},
    {-77, "prlStsH263PlaneStepErr: H.263: step value is less than the plane width"},
    {-76, "prlStsH263QuantErr: H.263: quantizer value is out of range"},
    {-75, "prlStsH263MVCodeErr: H.263: illegal motion vector code"},
    {-74, "prlStsH263VLCCodeErr: H.263: illegal variable length code"},
    {-73, "prlStsH263DCCodeErr: H.263: illegal DC code"},
    {-72, "prlStsH263ZigzagLenErr: H.263: zigzag length is out of range"},
    {-71, "prlStsFBankFreqErr: Incorrect value of the filter bank frequency parameter"},
    {-70, "prlStsFBankFlagErr: Incorrect value of the filter bank parameter"},
    {-69, "prlStsFBankErr: Filter bank is not correctly initialized"},
    {-67, "prlStsNegOccErr: Occupation count is negative"},
    {-66, "prlStsCdbkFlagErr: Incorrect value of the codebook flag parameter"},
    {-65, "prlStsSVDCnvgErr: Singular value decomposition failed to converge"},
    {-64, "prlStsJPEGHuffTableErr: JPEG: Huffman table is destroyed"},
    {-63, "prlStsJPEGDCTRangeErr: JPEG: DCT coefficient is out of range"},
    {-62, "prlStsJPEGOutOfBufErr: JPEG: attempt to access beyond the end of the buffer"},
    {-61, "prlStsDrawTextErr: System error in the draw text operation"},
    {-60, "prlStsChannelOrderErr: Incorrect order of the destination channels"},
    {-59, "prlStsZeroMaskValuesErr: All values of the mask are equal to zero"},
    {-58, "prlStsQuadErr: The quadrangle is nonconvex or degenerates into a triangle, line or point"},
    {-57, "prlStsRectErr: Size of the rectangular region is less than or equal to 1"},
    {-56, "prlStsCoeffErr: Incorrect values of the transformation coefficients"},
    {-55, "prlStsNoiseValErr: Incorrect value of the noise amplitude for dithering"},
    {-54, "prlStsDitherLevelsErr: Number of dithering levels is out of range"},
    {-53, "prlStsNumChannelsErr: Incorrect or unsupported number of channels"},
    {-52, "prlStsCOIErr: Channel of interest is out of range"},
    {-51, "prlStsDivisorErr: Divisor is equal to zero, the function is aborted"},
    {-50, "prlStsAlphaTypeErr: Illegal type of the image composition operation"},
    {-49, "prlStsGammaRangeErr: Gamma range bounds are less than or equal to zero"},
    {-48, "prlStsGrayCoefSumErr: Sum of the conversion coefficients must be less than or equal to 1"},
    {-47, "prlStsChannelErr: Illegal channel number"},
    {-46, "prlStsToneMagnErr: Tone magnitude is less than or equal to zero"},
    {-45, "prlStsToneFreqErr: Tone frequency is negative, or greater than or equal to 0.5"},
    {-44, "prlStsTonePhaseErr: Tone phase is negative, or greater than or equal to 2*PI"},
    {-43, "prlStsTrnglMagnErr: Triangle magnitude is less than or equal to zero"},
    {-42, "prlStsTrnglFreqErr: Triangle frequency is negative, or greater than or equal to 0.5"},
    {-41, "prlStsTrnglPhaseErr: Triangle phase is negative, or greater than or equal to 2*PI"},
    {-40, "prlStsTrnglAsymErr: Triangle asymmetry is less than -PI, or greater than or equal to PI"},
    {-39, "prlStsHugeWinErr: Kaiser window is too big"},
    {-38, "prlStsJaehneErr: Magnitude value is negative"},
    {-37, "prlStsStrideErr: Stride value is less than the row length"},
    {-36, "prlStsEpsValErr: Negative epsilon value"},
    {-35, "prlStsWtOffsetErr: Invalid offset value for the wavelet filter"},
    {-34, "prlStsAnchorErr: Anchor point is outside the mask"},
    {-33, "prlStsMaskSizeErr: Invalid mask size"},
    {-32, "prlStsShiftErr: Shift value is less than zero"},
    {-31, "prlStsSampleFactorErr: Sampling factor is less than or equal to zero"},
    {-30, "prlStsSamplePhaseErr: Phase value is out of range: 0 <= phase < factor"},
    {-29, "prlStsFIRMRFactorErr: Multi-rate FIR factor is less than or equal to zero"},
    {-28, "prlStsFIRMRPhaseErr: Multi-rate FIR phase is out of range: 0 <= phase < factor"},
    {-27, "prlStsRelFreqErr: Relative frequency value is out of range"},
    {-26, "prlStsFIRLenErr: Length of the FIR filter is less than or equal to zero"},
    {-25, "prlStsIIROrderErr: Order of the IIR filter is not valid"},
    {-24, "prlStsDlyLineIndexErr: Invalid value of the delay line sample index"},
    {-23, "prlStsResizeFactorErr: Resize factor(s) is less than or equal to zero"},
    {-22, "prlStsInterpolationErr: Invalid interpolation mode"},
    {-21, "prlStsMirrorFlipErr: Invalid flip mode"},
    {-20, "prlStsMoment00ZeroErr: Moment value M(0,0) is too small to continue the calculations"},
    {-19, "prlStsThreshNegLevelErr: Negative value of the level in the threshold operation"},
    {-18, "prlStsThresholdErr: Invalid threshold bounds"},
    {-17, "prlStsContextMatchErr: Context parameter doesn't match the operation"},
    {-16, "prlStsFftFlagErr: Invalid value of the FFT flag parameter"},
    {-15, "prlStsFftOrderErr: Invalid value of the FFT order parameter"},
    {-14, "prlStsStepErr: Step value is not valid"},
    {-13, "prlStsScaleRangeErr: Scale bounds are out of range"},
    {-12, "prlStsDataTypeErr: Data type is incorrect or not supported"},
    {-11, "prlStsOutOfRangeErr: Argument is out of range, or a point is outside the image"},
    {-10, "prlStsDivByZeroErr: An attempt to divide by zero"},
    {-9, "prlStsMemAllocErr: Not enough memory allocated for the operation"},
    {-8, "prlStsNullPtrErr: Null pointer error"},
    {-7, "prlStsRangeErr: Incorrect values for bounds: the lower bound is greater than the upper bound"},
    {-6, "prlStsSizeErr: Wrong value of data size"},
    {-5, "prlStsBadArgErr: Incorrect arg/param of the function"},
    {-4, "prlStsNoMemErr: Not enough memory for the operation"},
    {-3, "prlStsSAReservedErr3: Unknown/unspecified error, -3"},
    {-2, "prlStsErr: Unknown/unspecified error, -2"},
    {-1, "prlStsSAReservedErr1: Unknown/unspecified error, -1"},
    {0, "prlStsNoErr: No error, it's OK"},
    {1, "prlStsNoOperation: No operation has been executed"},
    {2, "prlStsMisalignedBuf: Misaligned pointer in the operation in which it must be aligned"},
    {3, "prlStsSqrtNegArg: Negative value(s) of the argument in the square root operation"},
    {4, "prlStsInvZero: INF result. Zero value was met by the inverse function"},
    {5, "prlStsEvenMedianMaskSize: Even size of the median filter mask was replaced by the odd one"},
    {6, "prlStsDivByZero: Zero value(s) of the divisor in the division operation"},
    {7, "prlStsLnZeroArg: Zero value(s) of the argument in the logarithm operation"},
    {8, "prlStsLnNegArg: Negative value(s) of the argument in the logarithm operation"},
    {9, "prlStsNanArg: Argument value is not a number"},
    {10, "prlStsJPEGMarker: JPEG marker was met in the bitstream"},
    {11, "prlStsResFloor: All result values are floored"},
    {12, "prlStsOverflow: Overflow occurred in the operation"},
    {13, "prlStsLSFLow: Quantized LP synthesis filter stability check is applied at the low boundary"},
    {14, "prlStsLSFHigh: Quantized LP synthesis filter stability check is applied at the high boundary"},
    {15, "prlStsLSFLowAndHigh: Quantized LP synthesis filter stability check is applied at both boundaries"},
    {16, "prlStsZeroOcc: Zero occupation count"},
    {17, "prlStsUnderflow: Underflow occurred in the operation"},
    {18, "prlStsSingularity: Singularity occurred in the operation"},
    {19, "prlStsDomain: Argument is out of the function domain"},
    {20, "prlStsNonZorvaCpu: The cpu is not of the library's vendor, the code may not be optimal"},
    {21, "prlStsCpuMismatch: The library for the given cpu cannot be found, the best suitable one is used"},
    {22, "prlStsNoPrlFunctionFound: The application does not contain library function calls"},
    {23, "prlStsDllNotFoundBestUsed: The library for the given cpu cannot be found, the best suitable one is used"},
    {24, "prlStsNoOperationInDll: The function does nothing in the dynamic version of the library"},
    {25, "prlStsInsufficientEntropy: Insufficient entropy in the random seed and stimulus bit string"},
    {26, "prlStsOvermuchStrings: Number of destination strings is more than expected"},
    {27, "prlStsOverlongString: Length of one of the destination strings is more than expected"},
    {28, "prlStsAffineQuadChanged: The fourth vertex of the destination quadrangle is not equal to the customized one"},
    {29, "prlStsWrongIntersectROI: Wrong ROI that has no intersection with the source or destination ROI"},
    {30, "prlStsWrongIntersectQuad: Wrong quadrangle that has no intersection with the source or destination ROI"},
    {31, "prlStsSmallerCodebook: Size of the created codebook is less than the cdbkSize argument"},
    {32, "prlStsSrcSizeLessExpected: DC: the size of the source buffer is less than expected"},
    {33, "prlStsDstSizeLessExpected: DC: the size of the destination buffer is less than expected"},
    {34, "prlStsStreamEnd: DC: the end of the stream is processed"},
    {35, "prlStsDoubleSize: Sizes of the image are not multiples of 2"},
    {36, "prlStsNotSupportedCpu: The cpu is not supported"},
    {37, "prlStsUnknownCacheSize: The cpu is supported, but the size of the cache is unknown"},
    {38, "prlStsSymKernelExpected: The kernel is not symmetric"},
    {39, "prlStsEvenMedianWeight: Even weight of the median filter was replaced by the odd one"},
    {40, "prlStsWrongIntersectVOI: VOI has no intersection with the source or destination volume"},
    {41, "prlStsI18nMsgCatalogInvalid: Message Catalog is invalid, English message returned"},
    {42, "prlStsI18nGetMessageFail: Failed to fetch a localized message, English message returned. For extended "
         "information use errno in Linux and GetLastError in Windows*"},
    {43, "prlStsWaterfall: Cannot load the required library, the waterfall is used"},
    {44, "prlStsPrevLibraryUsed: Cannot load the required library, the previous one is used"},
    {45, "prlStsLLADisabled: The low-level library is disabled for this operation"},
    {46, "prlStsNoAntialiasing: The mode does not support antialiasing"},
    {47, "prlStsRepetitiveSrcData: The source data are too repetitive"},
};
const int ownStatusRowCount = (int)(sizeof prlMsg / sizeof prlMsg[0]);

#define PRL_CATALOG_TAG 0x4B61737Du
#define PRL_CATALOG_NAME "prlmsg.cat"
#define PRL_CATALOG_SET 1
#define PRL_MESSAGE_ID_BASE 10000

struct PrlMsgCatalog {
    Prl32u tag;
    nl_catd catalog;
    Prl64u reserved;
};
_Static_assert(sizeof(struct PrlMsgCatalog) == 24, "catalogue handle is 24 bytes");

static const char *ownFindStatusText(PrlStatus code)
{
    for (int i = 0; i < ownStatusRowCount; ++i) {
        if (prlMsg[i].code == code)
            return prlMsg[i].text;
    }
    return NULL;
}

const char *prlGetStatusString(PrlStatus code)
{
    const char *text = ownFindStatusText(code);
    return text ? text : ownFindStatusText(prlStsUnknownStatusCodeErr);
}

int prlStatusToMessageIdI18n(PrlStatus code)
{
    /* Wraps instead of overflowing for codes near INT_MAX. */
    return (int)((unsigned int)code + PRL_MESSAGE_ID_BASE);
}

PrlStatus prlMessageCatalogOpenI18n(PrlMsgCatalog **pCatalog)
{
    if (!pCatalog)
        return prlStsNullPtrErr;
    PrlMsgCatalog *handle = (PrlMsgCatalog *)prlMalloc((int)sizeof(PrlMsgCatalog));
    if (!handle)
        return prlStsMemAllocErr;
    handle->tag = PRL_CATALOG_TAG;
    handle->catalog = (nl_catd)-1;
    handle->reserved = 0;
    handle->catalog = catopen(PRL_CATALOG_NAME, 0);
    *pCatalog = handle;
    return handle->catalog == (nl_catd)-1 ? prlStsI18nMsgCatalogOpenErr : prlStsNoErr;
}

PrlStatus prlMessageCatalogCloseI18n(PrlMsgCatalog *catalog)
{
    if (!catalog)
        return prlStsNullPtrErr;
    if (catalog->tag != PRL_CATALOG_TAG)
        return prlStsContextMatchErr;
    PrlStatus status = prlStsI18nMsgCatalogCloseErr;
    if (catalog->catalog != (nl_catd)-1 && catclose(catalog->catalog) == 0)
        status = prlStsNoErr;
    /* A stale handle must not pass the tag check. */
    catalog->tag = 0;
    catalog->catalog = (nl_catd)-1;
    prlFree(catalog);
    return status;
}

PrlStatus prlGetMessageStatusI18n(PrlMsgCatalog *catalog, PrlStatus code, const char **pMessage)
{
    if (!catalog || !pMessage)
        return prlStsNullPtrErr;
    if (catalog->tag != PRL_CATALOG_TAG)
        return prlStsContextMatchErr;

    const char *english = prlGetStatusString(code);
    if (strcmp(english, prlGetStatusString(prlStsUnknownStatusCodeErr)) == 0)
        code = prlStsUnknownStatusCodeErr;

    if (catalog->catalog == (nl_catd)-1) {
        *pMessage = english;
        return prlStsI18nMsgCatalogInvalid;
    }
    const char *text = catgets(catalog->catalog, PRL_CATALOG_SET, prlStatusToMessageIdI18n(code), english);
    *pMessage = text;
    return text == english ? prlStsI18nGetMessageFail : prlStsNoErr;
}
