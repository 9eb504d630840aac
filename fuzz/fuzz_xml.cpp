// Feeds arbitrary text to the XML stream framer in pieces, and every framed
// message (and the raw input) to the tag and entity helpers.
#include "simplexmlparser.h"

#include <cstddef>
#include <cstdint>

namespace
{

void inspect(const QString &text)
{
    static const QString tags[] = {QStringLiteral("msg"), QStringLiteral("a"), QStringLiteral("")};
    for (const QString &tag : tags) {
        SimpleXmlParser::getTagValue(text, tag);
        SimpleXmlParser::getDecodedTagValue(text, tag, 1);
        SimpleXmlParser::getTagsValues(text, tag);
        SimpleXmlParser::getDecodedTagsValues(text, tag);
        SimpleXmlParser::getTagProperties(text, tag);
        SimpleXmlParser::getTagsProperties(text, tag);
        int start = 0, end = 0;
        SimpleXmlParser::findStartTagDelimiters(text, tag, 0, start, end);
    }
    SimpleXmlParser::decodeEntities(text);
    SimpleXmlParser::encodeEntities(text, true);
    SimpleXmlParser::unquoteString(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    // First byte: the piece size; second: root tag and buffer limit.
    const int piece = 1 + data[0] % 64;
    const uint8_t mode = data[1];
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), int(size - 2));

    SimpleXmlParser parser;
    parser.rootTag = (mode & 1) ? QStringLiteral("msg") : QStringLiteral("a");
    parser.notificationMode = SimpleXmlParser::QueueAndNotify;
    if (mode & 2)
        parser.setMaxBufferSize(256);
    for (int at = 0; at < text.size(); at += piece) {
        parser.addData(text.mid(at, piece));
        while (parser.hasPendingMessages())
            inspect(parser.getNextMessage());
    }
    parser.getCurrentBuffer();
    inspect(text);
    return 0;
}
