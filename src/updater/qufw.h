// Element names and request messages of the update protocol. Every request
// and reply is one "QDUPFW" element; the client sends GetFileInfo and reads
// back one file description.
#pragma once

#include "qufwproductbranch.h"

#include <QByteArray>
#include <QString>

namespace QUFW
{

// The framework's element-name table, in table order. Only some of the names
// are used by this client; the rest belong to the framework's other messages.
namespace Tags
{
enum Id {
    SUFKEY = 0,
    QDUPFW,
    Request,
    Response,
    Command,
    API,
    QUFWInfo,
    QUFWError,
    CUID,
    CVER,
    COS,
    Username,
    UserData,
    Password,
    ExitCode,
    Reason,
    Platform,
    FileInfoRoot,
    AppUniqueId,
    FileInfoType,
    FileName,
    StartDate,
    EndDate,
    FileSize,
    MD5,
    SHA1,
    URL,
    FileIsZipped,
    AppVersion,
    AppExecutable,
    AppBundleInfo,
    Stage2InstallerInfo,
    ProductBranch,
    GetFileInfo,
    KeepAlive,
    CheckClientVersion,
    Login,
    Count
};
} // namespace Tags

// Name of an element of the table ("" for an id outside it).
QString tagName(Tags::Id id);
// "<name>" and "</name>".
QString startTag(Tags::Id id);
QString endTag(Tags::Id id);
// "<name>" + text with the XML special characters escaped + "</name>".
QString element(Tags::Id id, const QString &text);

// The protocol version the client speaks.
inline QString apiVersion()
{
    return QStringLiteral("1.1");
}

namespace XMLMSG
{

class QUFWXmlMessage
{
public:
    virtual ~QUFWXmlMessage() = default;
    virtual QString header() const;
    virtual QString footer() const;
    virtual QString body() const;
    // header() + body() + footer(), no separators.
    QString toXml() const;
    // toXml() as the bytes sent on the wire. Texts are escaped, non-ASCII
    // characters as character references, so the document is plain ASCII.
    QByteArray toBytes() const { return toXml().toLatin1(); }
};

class QUFWXmlRequestMessage : public QUFWXmlMessage
{
public:
    QString header() const override;
    QString footer() const override;
};

class GetFileInfoReqMsg : public QUFWXmlRequestMessage
{
public:
    QString productUid;
    QString appVersion;
    qint32 fileInfoType = 1;
    qint32 platform = 1;
    qint32 branch = QUFW::ProductBranch::StableBranch;

    QString body() const override;
};

} // namespace XMLMSG
} // namespace QUFW
