#include "qufw.h"

#include "framework/simplexmlparser.h"

namespace QUFW
{

namespace
{
const char *const tagNames[Tags::Count] = {
    "SUFKEY",        "QDUPFW",        "Request",       "Response",
    "Command",       "API",           "QUFWInfo",      "QUFWError",
    "CUID",          "CVER",          "COS",           "Username",
    "UserData",      "Password",      "ExitCode",      "Reason",
    "Platform",      "FileInfoRoot",  "AppUniqueId",   "FileInfoType",
    "FileName",      "StartDate",     "EndDate",       "FileSize",
    "MD5",           "SHA1",          "URL",           "FileIsZipped",
    "AppVersion",    "AppExecutable", "AppBundleInfo", "Stage2InstallerInfo",
    "ProductBranch", "GetFileInfo",   "KeepAlive",     "CheckClientVersion",
    "Login",
};
} // namespace

QString tagName(Tags::Id id)
{
    if (id < 0 || id >= Tags::Count)
        return QString();
    return QLatin1String(tagNames[id]);
}

QString startTag(Tags::Id id)
{
    return QLatin1Char('<') + tagName(id) + QLatin1Char('>');
}

QString endTag(Tags::Id id)
{
    return QLatin1String("</") + tagName(id) + QLatin1Char('>');
}

QString element(Tags::Id id, const QString &text)
{
    return startTag(id) + SimpleXmlParser::encodeEntities(text, true) + endTag(id);
}

namespace XMLMSG
{

QString QUFWXmlMessage::header() const
{
    return startTag(Tags::QDUPFW) + element(Tags::API, apiVersion());
}

QString QUFWXmlMessage::footer() const
{
    return endTag(Tags::QDUPFW);
}

QString QUFWXmlMessage::body() const
{
    return QString();
}

QString QUFWXmlMessage::toXml() const
{
    return header() + body() + footer();
}

QString QUFWXmlRequestMessage::header() const
{
    return QUFWXmlMessage::header() + startTag(Tags::Request);
}

QString QUFWXmlRequestMessage::footer() const
{
    return endTag(Tags::Request) + QUFWXmlMessage::footer();
}

QString GetFileInfoReqMsg::body() const
{
    QString out = startTag(Tags::GetFileInfo);
    out += element(Tags::AppUniqueId, productUid);
    out += element(Tags::FileInfoType, QString::number(fileInfoType));
    out += element(Tags::Platform, QString::number(platform));
    out += element(Tags::ProductBranch, QString::number(branch));
    if (!appVersion.isEmpty())
        out += element(Tags::AppVersion, appVersion);
    out += endTag(Tags::GetFileInfo);
    return out;
}

} // namespace XMLMSG
} // namespace QUFW
