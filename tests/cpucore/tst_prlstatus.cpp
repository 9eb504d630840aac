// The status table: every row by code and name, in order, and the texts
// handed out for known and unknown codes.
#include "prlcore_internal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace
{

// The family's status codes in table order, as listed in the library's
// documentation: "code name" pairs, "(no name)" for the message-only rows.
const char kDocumentedRows[] =
    "-9999 prlStsNotSupportedModeErr, -9998 prlStsCpuNotSupportedErr, -9702 (no name), -9701 (no name), "
    "-9700 (no name), -224 prlStsDitherTypeErr, -223 prlStsH264BufferFullErr, -222 prlStsWrongAffinitySettingErr, "
    "-221 prlStsLoadDynErr, -220 prlStsPointAtInfinity, -219 prlStsI18nUnsupportedErr, "
    "-218 prlStsI18nMsgCatalogOpenErr, -217 prlStsI18nMsgCatalogCloseErr, -216 prlStsUnknownStatusCodeErr, "
    "-215 prlStsOFBSizeErr, -214 prlStsLzoBrokenStreamErr, -213 prlStsRoundModeNotSupportedErr, "
    "-212 prlStsDecimateFractionErr, -211 prlStsWeightErr, -210 prlStsQualityIndexErr, "
    "-209 prlStsIIRPassbandRippleErr, -208 prlStsFilterFrequencyErr, -207 prlStsFIRGenOrderErr, "
    "-206 prlStsIIRGenOrderErr, -205 prlStsConvergeErr, -204 prlStsSizeMatchMatrixErr, -203 prlStsCountMatrixErr, "
    "-202 prlStsRoiShiftMatrixErr, -201 prlStsResizeNoOperationErr, -200 prlStsSrcDataErr, "
    "-199 prlStsMaxLenHuffCodeErr, -198 prlStsCodeLenTableErr, -197 prlStsFreqTableErr, "
    "-196 prlStsIncompleteContextErr, -195 prlStsSingularErr, -194 prlStsSparseErr, -193 prlStsBitOffsetErr, "
    "-192 prlStsQPErr, -191 prlStsVLCErr, -190 prlStsRegExpOptionsErr, -189 prlStsRegExpErr, "
    "-188 prlStsRegExpMatchLimitErr, -187 prlStsRegExpQuantifierErr, -186 prlStsRegExpGroupingErr, "
    "-185 prlStsRegExpBackRefErr, -184 prlStsRegExpChClassErr, -183 prlStsRegExpMetaChErr, "
    "-182 prlStsStrideMatrixErr, -181 prlStsCTRSizeErr, -180 prlStsJPEG2KCodeBlockIsNotAttached, "
    "-179 prlStsNotPosDefErr, -178 prlStsEphemeralKeyErr, -177 prlStsMessageErr, -176 prlStsShareKeyErr, "
    "-175 prlStsIvalidPublicKey, -174 prlStsIvalidPrivateKey, -173 prlStsOutOfECErr, -172 prlStsECCInvalidFlagErr, "
    "-171 prlStsMP3FrameHeaderErr, -170 prlStsMP3SideInfoErr, -169 prlStsBlockStepErr, -168 prlStsMBStepErr, "
    "-167 prlStsAacPrgNumErr, -166 prlStsAacSectCbErr, -164 prlStsAacSfValErr, -163 prlStsAacCoefValErr, "
    "-162 prlStsAacMaxSfbErr, -161 prlStsAacPredSfbErr, -160 prlStsAacPlsDataErr, -159 prlStsAacGainCtrErr, "
    "-158 prlStsAacSectErr, -157 prlStsAacTnsNumFiltErr, -156 prlStsAacTnsLenErr, -155 prlStsAacTnsOrderErr, "
    "-154 prlStsAacTnsCoefResErr, -153 prlStsAacTnsCoefErr, -152 prlStsAacTnsDirectErr, "
    "-151 prlStsAacTnsProfileErr, -150 prlStsAacErr, -149 prlStsAacBitOffsetErr, -148 prlStsAacAdtsSyncWordErr, "
    "-147 prlStsAacSmplRateIdxErr, -146 prlStsAacWinLenErr, -145 prlStsAacWinGrpErr, -144 prlStsAacWinSeqErr, "
    "-143 prlStsAacComWinErr, -142 prlStsAacStereoMaskErr, -141 prlStsAacChanErr, -140 prlStsAacMonoStereoErr, "
    "-139 prlStsAacStereoLayerErr, -138 prlStsAacMonoLayerErr, -137 prlStsAacScalableErr, "
    "-136 prlStsAacObjTypeErr, -135 prlStsAacWinShapeErr, -134 prlStsAacPcmModeErr, "
    "-133 prlStsVLCUsrTblHeaderErr, -132 prlStsVLCUsrTblUnsupportedFmtErr, -131 prlStsVLCUsrTblEscAlgTypeErr, "
    "-130 prlStsVLCUsrTblEscCodeLengthErr, -129 prlStsVLCUsrTblCodeLengthErr, -128 prlStsVLCInternalTblErr, "
    "-127 prlStsVLCInputDataErr, -126 prlStsVLCAACEscCodeLengthErr, -125 prlStsNoiseRangeErr, "
    "-124 prlStsUnderRunErr, -123 prlStsPaddingErr, -122 prlStsCFBSizeErr, -121 prlStsPaddingSchemeErr, "
    "-120 prlStsInvalidCryptoKeyErr, -119 prlStsLengthErr, -118 prlStsBadModulusErr, -117 prlStsLPCCalcErr, "
    "-116 prlStsRCCalcErr, -115 prlStsIncorrectLSPErr, -114 prlStsNoRootFoundErr, -113 prlStsJPEG2KBadPassNumber, "
    "-112 prlStsJPEG2KDamagedCodeBlock, -111 prlStsH263CBPYCodeErr, -110 prlStsH263MCBPCInterCodeErr, "
    "-109 prlStsH263MCBPCIntraCodeErr, -108 prlStsNotEvenStepErr, -107 prlStsHistoNofLevelsErr, "
    "-106 prlStsLUTNofLevelsErr, -105 prlStsMP4BitOffsetErr, -104 prlStsMP4QPErr, -103 prlStsMP4BlockIdxErr, "
    "-102 prlStsMP4BlockTypeErr, -101 prlStsMP4MVCodeErr, -100 prlStsMP4VLCCodeErr, -99 prlStsMP4DCCodeErr, "
    "-98 prlStsMP4FcodeErr, -97 prlStsMP4AlignErr, -96 prlStsMP4TempDiffErr, -95 prlStsMP4BlockSizeErr, "
    "-94 prlStsMP4ZeroBABErr, -93 prlStsMP4PredDirErr, -92 prlStsMP4BitsPerPixelErr, "
    "-91 prlStsMP4VideoCompModeErr, -90 prlStsMP4LinearModeErr, -83 prlStsH263PredModeErr, "
    "-82 prlStsH263BlockStepErr, -81 prlStsH263MBStepErr, -80 prlStsH263FrameWidthErr, "
    "-79 prlStsH263FrameHeightErr, -78 prlStsH263ExpandPelsErr, -77 prlStsH263PlaneStepErr, -76 prlStsH263QuantErr, "
    "-75 prlStsH263MVCodeErr, -74 prlStsH263VLCCodeErr, -73 prlStsH263DCCodeErr, -72 prlStsH263ZigzagLenErr, "
    "-71 prlStsFBankFreqErr, -70 prlStsFBankFlagErr, -69 prlStsFBankErr, -67 prlStsNegOccErr, "
    "-66 prlStsCdbkFlagErr, -65 prlStsSVDCnvgErr, -64 prlStsJPEGHuffTableErr, -63 prlStsJPEGDCTRangeErr, "
    "-62 prlStsJPEGOutOfBufErr, -61 prlStsDrawTextErr, -60 prlStsChannelOrderErr, -59 prlStsZeroMaskValuesErr, "
    "-58 prlStsQuadErr, -57 prlStsRectErr, -56 prlStsCoeffErr, -55 prlStsNoiseValErr, -54 prlStsDitherLevelsErr, "
    "-53 prlStsNumChannelsErr, -52 prlStsCOIErr, -51 prlStsDivisorErr, -50 prlStsAlphaTypeErr, "
    "-49 prlStsGammaRangeErr, -48 prlStsGrayCoefSumErr, -47 prlStsChannelErr, -46 prlStsToneMagnErr, "
    "-45 prlStsToneFreqErr, -44 prlStsTonePhaseErr, -43 prlStsTrnglMagnErr, -42 prlStsTrnglFreqErr, "
    "-41 prlStsTrnglPhaseErr, -40 prlStsTrnglAsymErr, -39 prlStsHugeWinErr, -38 prlStsJaehneErr, "
    "-37 prlStsStrideErr, -36 prlStsEpsValErr, -35 prlStsWtOffsetErr, -34 prlStsAnchorErr, -33 prlStsMaskSizeErr, "
    "-32 prlStsShiftErr, -31 prlStsSampleFactorErr, -30 prlStsSamplePhaseErr, -29 prlStsFIRMRFactorErr, "
    "-28 prlStsFIRMRPhaseErr, -27 prlStsRelFreqErr, -26 prlStsFIRLenErr, -25 prlStsIIROrderErr, "
    "-24 prlStsDlyLineIndexErr, -23 prlStsResizeFactorErr, -22 prlStsInterpolationErr, -21 prlStsMirrorFlipErr, "
    "-20 prlStsMoment00ZeroErr, -19 prlStsThreshNegLevelErr, -18 prlStsThresholdErr, -17 prlStsContextMatchErr, "
    "-16 prlStsFftFlagErr, -15 prlStsFftOrderErr, -14 prlStsStepErr, -13 prlStsScaleRangeErr, "
    "-12 prlStsDataTypeErr, -11 prlStsOutOfRangeErr, -10 prlStsDivByZeroErr, -9 prlStsMemAllocErr, "
    "-8 prlStsNullPtrErr, -7 prlStsRangeErr, -6 prlStsSizeErr, -5 prlStsBadArgErr, -4 prlStsNoMemErr, "
    "-3 prlStsSAReservedErr3, -2 prlStsErr, -1 prlStsSAReservedErr1, 0 prlStsNoErr, 1 prlStsNoOperation, "
    "2 prlStsMisalignedBuf, 3 prlStsSqrtNegArg, 4 prlStsInvZero, 5 prlStsEvenMedianMaskSize, 6 prlStsDivByZero, "
    "7 prlStsLnZeroArg, 8 prlStsLnNegArg, 9 prlStsNanArg, 10 prlStsJPEGMarker, 11 prlStsResFloor, "
    "12 prlStsOverflow, 13 prlStsLSFLow, 14 prlStsLSFHigh, 15 prlStsLSFLowAndHigh, 16 prlStsZeroOcc, "
    "17 prlStsUnderflow, 18 prlStsSingularity, 19 prlStsDomain, 20 prlStsNonZorvaCpu, 21 prlStsCpuMismatch, "
    "22 prlStsNoPrlFunctionFound, 23 prlStsDllNotFoundBestUsed, 24 prlStsNoOperationInDll, "
    "25 prlStsInsufficientEntropy, 26 prlStsOvermuchStrings, 27 prlStsOverlongString, 28 prlStsAffineQuadChanged, "
    "29 prlStsWrongIntersectROI, 30 prlStsWrongIntersectQuad, 31 prlStsSmallerCodebook, "
    "32 prlStsSrcSizeLessExpected, 33 prlStsDstSizeLessExpected, 34 prlStsStreamEnd, 35 prlStsDoubleSize, "
    "36 prlStsNotSupportedCpu, 37 prlStsUnknownCacheSize, 38 prlStsSymKernelExpected, 39 prlStsEvenMedianWeight, "
    "40 prlStsWrongIntersectVOI, 41 prlStsI18nMsgCatalogInvalid, 42 prlStsI18nGetMessageFail, "
    "43 prlStsWaterfall, 44 prlStsPrevLibraryUsed, 45 prlStsLLADisabled, 46 prlStsNoAntialiasing, "
    "47 prlStsRepetitiveSrcData";

struct DocumentedRow {
    int code;
    std::string name; // empty for a message-only row
};

std::vector<DocumentedRow> documentedRows()
{
    std::vector<DocumentedRow> rows;
    std::istringstream in(kDocumentedRows);
    std::string item;
    while (std::getline(in, item, ',')) {
        std::istringstream fields(item);
        DocumentedRow row;
        std::string name;
        fields >> row.code >> name;
        if (name != "(no")
            row.name = name;
        rows.push_back(row);
    }
    return rows;
}

TEST(PrlStatusTable, MatchesTheDocumentedRows)
{
    const std::vector<DocumentedRow> expected = documentedRows();
    ASSERT_EQ(expected.size(), 269u);
    ASSERT_EQ(ownStatusRowCount, 269);

    std::set<int> codes;
    for (int i = 0; i < ownStatusRowCount; ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        const OwnStatusRow &row = prlMsg[i];
        EXPECT_EQ(row.code, expected[i].code);
        if (i > 0) {
            EXPECT_LT(prlMsg[i - 1].code, row.code) << "ascending order";
        }
        EXPECT_TRUE(codes.insert(row.code).second) << "duplicate code " << row.code;

        ASSERT_NE(row.text, nullptr);
        const std::string text = row.text;
        if (!expected[i].name.empty()) {
            const std::string prefix = expected[i].name + ": ";
            EXPECT_EQ(text.compare(0, prefix.size(), prefix), 0) << text;
            EXPECT_GT(text.size(), prefix.size()) << "message after the name";
        } else {
            EXPECT_EQ(text.find("prlSts"), std::string::npos) << text;
        }
        EXPECT_EQ(prlGetStatusString(row.code), row.text);
    }
}

TEST(PrlStatusTable, TellingRows)
{
    const std::pair<int, const char *> rows[] = {
        {0, "prlStsNoErr: No error, it's OK"},
        {-6, "prlStsSizeErr: Wrong value of data size"},
        {-8, "prlStsNullPtrErr: Null pointer error"},
        {-9, "prlStsMemAllocErr: Not enough memory allocated for the operation"},
        {-17, "prlStsContextMatchErr: Context parameter doesn't match the operation"},
        {-216, "prlStsUnknownStatusCodeErr: Unknown Status Code"},
        {-217, "prlStsI18nMsgCatalogCloseErr: Message Catalog cannot be closed, for extended information use errno "
               "in Linux and GetLastError in Windows*"},
        {-218, "prlStsI18nMsgCatalogOpenErr: Message Catalog cannot be opened, for extended information use errno in "
               "Linux and GetLastError in Windows*"},
        {-9998, "prlStsCpuNotSupportedErr: The target cpu is not supported"},
        {-9999, "prlStsNotSupportedModeErr: The requested mode is currently not supported"},
        {-9702, "No shared libraries were found in the Waterfall procedure"},
        {-9701, "No DLLs were found in the Waterfall procedure"},
        {-9700, "Error at loading of %s library"},
        {24, "prlStsNoOperationInDll: The function does nothing in the dynamic version of the library"},
        {36, "prlStsNotSupportedCpu: The cpu is not supported"},
        {37, "prlStsUnknownCacheSize: The cpu is supported, but the size of the cache is unknown"},
        {41, "prlStsI18nMsgCatalogInvalid: Message Catalog is invalid, English message returned"},
        {42, "prlStsI18nGetMessageFail: Failed to fetch a localized message, English message returned. For extended "
             "information use errno in Linux and GetLastError in Windows*"},
    };
    for (const auto &row : rows)
        EXPECT_STREQ(prlGetStatusString(row.first), row.second) << row.first;
}

TEST(PrlStatusTable, CodesWithoutARowGiveTheUnknownCodeText)
{
    const char *unknown = prlGetStatusString(-216);
    std::set<int> known;
    for (const DocumentedRow &row : documentedRows())
        known.insert(row.code);
    for (int code = -10050; code <= 100; ++code) {
        if (!known.count(code)) {
            ASSERT_EQ(prlGetStatusString(code), unknown) << code;
        }
    }
    EXPECT_EQ(prlGetStatusString(-165), unknown);
    EXPECT_EQ(prlGetStatusString(INT_MIN), unknown);
    EXPECT_EQ(prlGetStatusString(INT_MAX), unknown);
}

TEST(PrlStatusTable, MessageNumbers)
{
    EXPECT_EQ(prlStatusToMessageIdI18n(-8), 9992);
    EXPECT_EQ(prlStatusToMessageIdI18n(0), 10000);
    EXPECT_EQ(prlStatusToMessageIdI18n(-216), 9784);
    EXPECT_EQ(prlStatusToMessageIdI18n(47), 10047);
    EXPECT_EQ(prlStatusToMessageIdI18n(-9999), 1);
}

} // namespace
