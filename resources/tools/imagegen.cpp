// Renders the program's image set from a manifest of layered drawing
// instructions. Not part of the build: resources/tools/render-images.sh
// compiles and runs it, and the rendered files are kept in the tree.
//
// Manifest line:  <output file> <width> <height> <layer> [<layer> ...]
// Layers (fields separated by ':'):
//   fill:#rrggbb[aa]                      whole canvas
//   vgrad:#top:#bottom                    vertical gradient over the canvas
//   circle:#color:scale[:cx:cy]           disc, diameter = scale * min(w,h), centre as a fraction
//   ring:#color:scale:width               centred circle outline
//   rrect:#color:radius                   rounded rectangle over the canvas
//   led:#color                            shaded lamp
//   svg:<file>:#color:scale[:cx:cy]       recoloured SVG (cx, cy: centre as a fraction)
//   svgraw:<file>                         SVG as it is, over the whole canvas
//   text:#color:scale:<text>              centred bold text, pixel size = scale * h
//   border:#color:width                   frame along the canvas edges
//   rline:#color:width                    vertical line along the right edge
//   dots:#color:step:radius               dot pattern
//   spinner:#color:frame:count            one frame of a busy indicator
// <file> is looked up in the Adwaita theme (e.g. actions/call-start-symbolic)
// and then in the folder given with --src (own drawings).
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTextStream>

#include <cmath>

static QString srcDir;
static QString themeDir = QStringLiteral("/usr/share/icons/Adwaita/scalable");

static QByteArray loadSvg(const QString &ref)
{
    const QStringList candidates{themeDir + "/" + ref + ".svg", srcDir + "/" + ref + ".svg", srcDir + "/" + ref};
    for (const QString &path : candidates) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            return f.readAll();
    }
    qFatal("svg not found: %s", qPrintable(ref));
    return {};
}

static QByteArray recolour(QByteArray svg, const QString &colour)
{
    QString text = QString::fromUtf8(svg);
    text.replace(QRegularExpression(QStringLiteral("fill=\"#[0-9a-fA-F]{3,6}\"")), QStringLiteral("fill=\"%1\"").arg(colour));
    text.replace(QRegularExpression(QStringLiteral("fill:#[0-9a-fA-F]{3,6}")), QStringLiteral("fill:%1").arg(colour));
    text.replace(QRegularExpression(QStringLiteral("stroke=\"#[0-9a-fA-F]{3,6}\"")), QStringLiteral("stroke=\"%1\"").arg(colour));
    return text.toUtf8();
}

static QColor colourOf(const QString &text)
{
    if (text.size() == 9) { // #rrggbbaa
        QColor c(text.left(7));
        c.setAlpha(text.mid(7, 2).toInt(nullptr, 16));
        return c;
    }
    return QColor(text);
}

static void drawLayer(QPainter &p, const QSize &size, const QString &layer)
{
    const QStringList f = layer.split(':');
    const QString kind = f.value(0);
    const qreal w = size.width(), h = size.height(), m = qMin(w, h);
    p.setPen(Qt::NoPen);
    if (kind == "fill") {
        p.fillRect(QRectF(0, 0, w, h), colourOf(f.value(1)));
    } else if (kind == "vgrad") {
        QLinearGradient g(0, 0, 0, h);
        g.setColorAt(0, colourOf(f.value(1)));
        g.setColorAt(1, colourOf(f.value(2)));
        p.fillRect(QRectF(0, 0, w, h), g);
    } else if (kind == "circle") {
        const qreal d = f.value(2, "1").toDouble() * m;
        const qreal cx = f.value(3, "0.5").toDouble() * w, cy = f.value(4, "0.5").toDouble() * h;
        p.setBrush(colourOf(f.value(1)));
        p.drawEllipse(QRectF(cx - d / 2, cy - d / 2, d, d));
    } else if (kind == "ring") {
        const qreal pw = f.value(3, "1").toDouble();
        const qreal d = f.value(2, "1").toDouble() * m - pw;
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colourOf(f.value(1)), pw));
        p.drawEllipse(QRectF((w - d) / 2, (h - d) / 2, d, d));
        p.setPen(Qt::NoPen);
    } else if (kind == "rrect") {
        const qreal r = f.value(2, "0").toDouble() * m;
        p.setBrush(colourOf(f.value(1)));
        p.drawRoundedRect(QRectF(0, 0, w, h), r, r);
    } else if (kind == "led") {
        const QColor base = colourOf(f.value(1));
        const qreal d = m - 2;
        QRadialGradient g(QPointF(w * 0.38, h * 0.35), d * 0.6);
        g.setColorAt(0, base.lighter(170));
        g.setColorAt(0.6, base);
        g.setColorAt(1, base.darker(140));
        p.setBrush(g);
        p.setPen(QPen(base.darker(170), 1));
        p.drawEllipse(QRectF((w - d) / 2, (h - d) / 2, d, d));
        p.setPen(Qt::NoPen);
    } else if (kind == "svg" || kind == "svgraw") {
        QByteArray data = loadSvg(f.value(1));
        if (kind == "svg")
            data = recolour(data, f.value(2));
        QSvgRenderer r(data);
        if (kind == "svgraw") {
            r.render(&p, QRectF(0, 0, w, h));
            return;
        }
        const qreal s = f.value(3, "1").toDouble() * m;
        const qreal cx = f.value(4, "0.5").toDouble() * w, cy = f.value(5, "0.5").toDouble() * h;
        r.render(&p, QRectF(cx - s / 2, cy - s / 2, s, s));
    } else if (kind == "text") {
        QFont font(QStringLiteral("Roboto"));
        font.setBold(true);
        font.setPixelSize(qMax(1, int(f.value(2).toDouble() * h)));
        p.setFont(font);
        p.setPen(colourOf(f.value(1)));
        p.drawText(QRectF(0, 0, w, h), Qt::AlignCenter, f.mid(3).join(':'));
        p.setPen(Qt::NoPen);
    } else if (kind == "border") {
        const qreal bw = f.value(2, "1").toDouble();
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(colourOf(f.value(1)), bw, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        p.drawRect(QRectF(bw / 2, bw / 2, w - bw, h - bw));
        p.setPen(Qt::NoPen);
    } else if (kind == "rline") {
        const qreal lw = f.value(2, "1").toDouble();
        p.fillRect(QRectF(w - lw, 0, lw, h), colourOf(f.value(1)));
    } else if (kind == "spinner") {
        // count dots on a circle, the one at 'frame' darkest, the rest fading
        const QColor base = colourOf(f.value(1));
        const int frame = f.value(2).toInt(), count = f.value(3, "8").toInt();
        const qreal rad = m * 0.36, dot = m * 0.09;
        for (int i = 0; i < count; ++i) {
            QColor c = base;
            c.setAlphaF(1.0 - 0.8 * (((frame - i) % count + count) % count) / qreal(count));
            const qreal a = 2 * M_PI * i / count - M_PI / 2;
            p.setBrush(c);
            p.drawEllipse(QPointF(w / 2 + rad * std::cos(a), h / 2 + rad * std::sin(a)), dot, dot);
        }
    } else if (kind == "dots") {
        const qreal step = f.value(2, "8").toDouble(), rad = f.value(3, "1").toDouble();
        p.setBrush(colourOf(f.value(1)));
        for (qreal y = step / 2; y < h; y += step)
            for (qreal x = step / 2 + (int(y / step) % 2 ? step / 2 : 0); x < w; x += step)
                p.drawEllipse(QPointF(x, y), rad, rad);
    } else {
        qFatal("unknown layer: %s", qPrintable(layer));
    }
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 5) {
        qWarning("usage: imagegen --src <dir> <manifest> <outdir> [fontfile...]");
        return 2;
    }
    srcDir = args.at(2);
    const QString manifest = args.at(3);
    const QString outDir = args.at(4);
    for (int i = 5; i < args.size(); ++i)
        QFontDatabase::addApplicationFont(args.at(i));

    QFile in(manifest);
    if (!in.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(manifest));
    QTextStream ts(&in);
    int count = 0;
    while (!ts.atEnd()) {
        const QString line = ts.readLine().trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QStringList parts = line.split(QRegularExpression(QStringLiteral("\\s+")));
        const QString name = parts.value(0);
        const QSize size(parts.value(1).toInt(), parts.value(2).toInt());
        QImage img(size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        {
            QPainter p(&img);
            p.setRenderHint(QPainter::Antialiasing);
            p.setRenderHint(QPainter::SmoothPixmapTransform);
            for (int i = 3; i < parts.size(); ++i)
                drawLayer(p, size, QString(parts.at(i)).replace('~', ' '));
        }
        const QString out = outDir + "/" + name;
        QDir().mkpath(QFileInfo(out).absolutePath());
        if (!img.save(out, nullptr, name.endsWith(".jpg") ? 85 : -1))
            qFatal("cannot write %s", qPrintable(out));
        ++count;
    }
    QTextStream(stdout) << count << " images written to " << outDir << "\n";
    return 0;
}
