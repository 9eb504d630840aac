// Framing must stay linear in the amount of text, however it is cut:
//  - ManySmallMessagesOnePiece: N small messages arriving in one piece
//    (the whole stream of an update reply or API request burst);
//  - OneLargeMessageIn4KiBPieces: one message of N bytes arriving in 4 KiB
//    pieces, as read from a socket.
// Each reports bytes/s (one byte per character of XML text; target at least
// 100 MB/s) and a fitted complexity, which must come out as O(N).
// JoinPiecesBaseline is the floor: one copy of the pieces into one string.
//
// By default the C library hands blocks of tens of MiB back to the kernel on
// every free, so every iteration pays the page faults of a fresh block (very
// slow on some virtual machines) and the measurement shows the kernel rather
// than the framer. The program therefore keeps freed memory in the process;
// run it with --system-malloc to measure with the allocator's defaults.
#include "simplexmlparser.h"

#include <benchmark/benchmark.h>

#include <cstring>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace
{

const QString kRoot = QStringLiteral("QDUPFW");

QString smallMessage(int i)
{
    return QStringLiteral("<QDUPFW><cmd>call</cmd><num>%1</num><id>42</id></QDUPFW>").arg(100000 + i);
}

void ManySmallMessagesOnePiece(benchmark::State &state)
{
    const int n = int(state.range(0));
    QString stream;
    for (int i = 0; i < n; ++i)
        stream += smallMessage(i);
    qint64 framed = 0;
    for (auto _ : state) {
        SimpleXmlParser framer;
        framer.rootTag = kRoot;
        framer.addData(stream);
        while (framer.hasPendingMessages()) {
            benchmark::DoNotOptimize(framer.getNextMessage());
            ++framed;
        }
    }
    if (framed != qint64(n) * state.iterations())
        state.SkipWithError("wrong number of messages framed");
    state.SetBytesProcessed(state.iterations() * stream.size());
    state.SetComplexityN(stream.size());
    state.counters["messages"] = n;
}

void OneLargeMessageIn4KiBPieces(benchmark::State &state)
{
    const int size = int(state.range(0));
    const QString open = QLatin1Char('<') + kRoot + QLatin1Char('>');
    const QString close = QLatin1String("</") + kRoot + QLatin1Char('>');
    QString body;
    body.reserve(size);
    // Element-rich content: many "<" that look like the start of a tag.
    while (body.size() < size - open.size() - close.size())
        body += QStringLiteral("<item id='7'>text &amp; more</item>\n");
    body.truncate(size - open.size() - close.size());
    const QString message = open + body + close;
    const int piece = 4096;
    QList<QString> pieces;
    for (int i = 0; i < message.size(); i += piece)
        pieces.append(message.mid(i, piece));

    for (auto _ : state) {
        SimpleXmlParser framer;
        framer.rootTag = kRoot;
        for (const QString &p : pieces)
            framer.addData(p);
        const QString got = framer.getNextMessage();
        if (got.size() != message.size())
            state.SkipWithError("message not framed");
        benchmark::DoNotOptimize(got);
    }
    state.SetBytesProcessed(state.iterations() * message.size());
    state.SetComplexityN(message.size());
}

// The floor for the case above: gathering the same pieces into one string,
// the one copy that any framer handing out the message as one text makes.
void JoinPiecesBaseline(benchmark::State &state)
{
    const int size = int(state.range(0));
    const QString piece(4096, QLatin1Char('x'));
    QList<QString> pieces;
    for (int i = 0; i < size; i += piece.size())
        pieces.append(piece);
    for (auto _ : state) {
        QString joined;
        joined.reserve(pieces.size() * piece.size());
        for (const QString &p : pieces)
            joined.append(p);
        benchmark::DoNotOptimize(joined.constData());
    }
    state.SetBytesProcessed(state.iterations() * qint64(pieces.size()) * piece.size());
    state.SetComplexityN(size);
}

// Sizes of the one large message, in bytes.
void largeMessageSizes(benchmark::internal::Benchmark *b)
{
    for (int size : {100 * 1000, 1000 * 1000, 2500 * 1000, 5000 * 1000, 10 * 1000 * 1000, 20 * 1000 * 1000})
        b->Arg(size);
}

} // namespace

BENCHMARK(ManySmallMessagesOnePiece)
    ->RangeMultiplier(10)
    ->Range(1000, 100000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK(OneLargeMessageIn4KiBPieces)
    ->Apply(largeMessageSizes)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

BENCHMARK(JoinPiecesBaseline)
    ->Apply(largeMessageSizes)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

int main(int argc, char **argv)
{
    bool systemMalloc = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--system-malloc") == 0) {
            systemMalloc = true;
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
#if defined(__GLIBC__)
    if (!systemMalloc) {
        mallopt(M_MMAP_THRESHOLD, 1 << 30);
        mallopt(M_TRIM_THRESHOLD, 1 << 30);
    }
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
