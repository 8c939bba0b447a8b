// Draws the window's header pictures, logo and tray icon. Run once by hand:
//   g++ -std=c++20 -fPIC resources/make_images.cpp $(pkg-config --cflags --libs Qt6Gui) -o /tmp/mk
//   QT_QPA_PLATFORM=offscreen /tmp/mk resources
// The PNGs it writes are committed; the build does not run it.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

QImage canvas(int w, int h) {
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void roundedTile(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(r, 10, 10);
}

// A floppy-like disk: save settings.
QImage saveIcon() {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    roundedTile(p, QRectF(8, 8, 48, 48), QColor(0x4a, 0x90, 0xd9), QColor(0x23, 0x5c, 0xa8));
    p.setBrush(QColor(0xf4, 0xf7, 0xfb));
    p.drawRect(QRectF(18, 12, 28, 16));
    p.setBrush(QColor(0x23, 0x5c, 0xa8));
    p.drawRect(QRectF(36, 14, 6, 12));
    p.setBrush(QColor(0xe8, 0xee, 0xf6));
    p.drawRoundedRect(QRectF(16, 36, 32, 16), 3, 3);
    return img;
}

// A question mark: help text.
QImage helpIcon() {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    QRadialGradient g(QPointF(26, 24), 34);
    g.setColorAt(0, QColor(0xff, 0xc9, 0x4d));
    g.setColorAt(1, QColor(0xe0, 0x8a, 0x00));
    p.setBrush(g);
    p.drawEllipse(QRectF(8, 8, 48, 48));
    QFont f("DejaVu Sans");
    f.setPixelSize(36);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(8, 8, 48, 48), Qt::AlignCenter, "?");
    return img;
}

// A house: home page.
QImage homeIcon() {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd9, 0x4a, 0x3d));
    QPainterPath roof;
    roof.moveTo(32, 8);
    roof.lineTo(58, 32);
    roof.lineTo(6, 32);
    roof.closeSubpath();
    p.drawPath(roof);
    p.setBrush(QColor(0xf2, 0xe6, 0xd0));
    p.drawRect(QRectF(14, 30, 36, 26));
    p.setBrush(QColor(0x8b, 0x5a, 0x2b));
    p.drawRect(QRectF(27, 40, 10, 16));
    return img;
}

// An envelope: contact.
QImage contactIcon() {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    roundedTile(p, QRectF(6, 14, 52, 38), QColor(0x5c, 0xb8, 0x5c), QColor(0x2e, 0x8b, 0x3e));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(12, 20), QPointF(32, 36), QPointF(52, 20)}));
    return img;
}

// The product mark: an ink stone with a stream, and the product name.
QImage logo() {
    QImage img = canvas(195, 64);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x3a, 0x4f));
    p.drawRoundedRect(QRectF(4, 8, 48, 48), 14, 14);
    p.setBrush(QColor(0x5f, 0xa8, 0xd3));
    QPainterPath stream;
    stream.moveTo(12, 40);
    stream.cubicTo(22, 28, 32, 50, 44, 30);
    stream.lineTo(44, 38);
    stream.cubicTo(32, 58, 22, 36, 12, 48);
    stream.closeSubpath();
    p.drawPath(stream);
    QFont f;
    f.setFamilies({"Noto Serif CJK SC", "Noto Sans CJK SC"});
    f.setPixelSize(26);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0x2b, 0x3a, 0x4f));
    p.drawText(QRectF(58, 4, 137, 34), Qt::AlignLeft | Qt::AlignVCenter,
               QString::fromUtf8("砚溪软件"));
    QFont s("DejaVu Sans");
    s.setPixelSize(12);
    p.setFont(s);
    p.setPen(QColor(0x5f, 0x7a, 0x94));
    p.drawText(QRectF(60, 38, 135, 20), Qt::AlignLeft | Qt::AlignVCenter, "linkharvest");
    return img;
}

QImage trayIcon(int size) {
    QImage img = canvas(size, size);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2b, 0x3a, 0x4f));
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3.5, 3.5);
    p.setBrush(QColor(0x5f, 0xa8, 0xd3));
    QPainterPath stream;
    stream.moveTo(2.5, 10);
    stream.cubicTo(5.5, 6, 9, 13, 13.5, 6.5);
    stream.lineTo(13.5, 9);
    stream.cubicTo(9, 15.5, 5.5, 8.5, 2.5, 12.5);
    stream.closeSubpath();
    p.drawPath(stream);
    return img;
}

// The drop-down arrow of the compact combo box.
QImage comboArrow() {
    QImage img = canvas(9, 6);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x40, 0x40, 0x40));
    p.drawPolygon(QPolygonF({QPointF(0, 0.5), QPointF(9, 0.5), QPointF(4.5, 5.5)}));
    return img;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QString dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    bool ok = saveIcon().save(dir + "/save_settings.png");
    ok = helpIcon().save(dir + "/help.png") && ok;
    ok = homeIcon().save(dir + "/home_page.png") && ok;
    ok = contactIcon().save(dir + "/contact.png") && ok;
    ok = logo().save(dir + "/logo.png") && ok;
    ok = trayIcon(16).save(dir + "/tray.png") && ok;
    ok = trayIcon(64).save(dir + "/app_icon.png") && ok;
    ok = comboArrow().save(dir + "/combo_arrow.png") && ok;
    return ok ? 0 : 1;
}
