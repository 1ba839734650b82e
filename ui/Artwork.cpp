#include "Artwork.h"

#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <cmath>
#include <functional>
#include <numbers>

namespace {

// Every icon is drawn on a 16 x 16 grid; the engine scales it to the size asked for.
using TIconPainter = void (*)(QPainter&);

constexpr double Pi = std::numbers::pi;

const QColor Ink(40, 40, 40);
const QColor Paper(250, 250, 250);
const QColor Blue(30, 90, 200);
const QColor Red(210, 40, 40);
const QColor Green(20, 150, 60);
const QColor Amber(230, 170, 40);
const QColor Screen(20, 20, 20);

void Pen(QPainter& p, const QColor& color, double width = 1.2, Qt::PenStyle style = Qt::SolidLine)
{
    QPen pen(color, width, style, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
}

void Dot(QPainter& p, double x, double y, double r, const QColor& color)
{
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawEllipse(QPointF(x, y), r, r);
    p.setBrush(Qt::NoBrush);
}

void Arrow(QPainter& p, QPointF from, QPointF to, const QColor& color)
{
    Pen(p, color, 1.6);
    p.drawLine(from, to);
    const double angle = std::atan2(to.y() - from.y(), to.x() - from.x());
    const double head = 3.2;
    for (double side : {-0.55, 0.55})
        p.drawLine(to, to - QPointF(std::cos(angle + side) * head, std::sin(angle + side) * head));
}

void Page(QPainter& p, double x, double y, double w, double h)
{
    QPainterPath page;
    page.moveTo(x, y);
    page.lineTo(x + w - 3, y);
    page.lineTo(x + w, y + 3);
    page.lineTo(x + w, y + h);
    page.lineTo(x, y + h);
    page.closeSubpath();
    Pen(p, Ink, 1);
    p.setBrush(Paper);
    p.drawPath(page);
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(x + w - 3, y), QPointF(x + w - 3, y + 3));
    p.drawLine(QPointF(x + w - 3, y + 3), QPointF(x + w, y + 3));
}

void FrameSquare(QPainter& p, double x, double y, double s)
{
    Pen(p, Ink, 1);
    p.setBrush(Screen);
    p.drawRect(QRectF(x, y, s, s));
    p.setBrush(Qt::NoBrush);
    Pen(p, Red, 1.1);
    p.drawPolygon(QPolygonF{{x + s * 0.5, y + s * 0.2}, {x + s * 0.8, y + s * 0.8}, {x + s * 0.2, y + s * 0.8}});
}

void Floppy(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(Blue);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
    p.setBrush(Paper);
    p.drawRect(QRectF(4, 1.5, 8, 5));
    p.setBrush(QColor(200, 200, 200));
    p.drawRect(QRectF(4, 9.5, 8, 5));
    p.setBrush(Qt::NoBrush);
}

void Picture(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(QColor(170, 210, 250));
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(Green);
    p.drawPolygon(QPolygonF{{2, 13}, {6.5, 7}, {10, 11}, {12, 9}, {14, 13}});
    p.setBrush(Amber);
    p.drawEllipse(QPointF(11, 5.5), 1.6, 1.6);
    p.setBrush(Qt::NoBrush);
}

void GridLines(QPainter& p, const QColor& color)
{
    Pen(p, color, 1);
    for (double v : {3.5, 8.0, 12.5}) {
        p.drawLine(QPointF(v, 1.5), QPointF(v, 14.5));
        p.drawLine(QPointF(1.5, v), QPointF(14.5, v));
    }
}

const QPolygonF Shape{{3, 12}, {6, 3}, {13, 5}, {11, 13}};

// --- the icons ---------------------------------------------------------------------------

void IconNew(QPainter& p) { Page(p, 3, 1.5, 10, 13); }

void IconOpen(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(QColor(240, 200, 90));
    p.drawPolygon(QPolygonF{{1.5, 3.5}, {6, 3.5}, {7.5, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}});
    p.setBrush(Amber);
    p.drawPolygon(QPolygonF{{1.5, 13.5}, {4, 7.5}, {15.5, 7.5}, {14.5, 13.5}});
    p.setBrush(Qt::NoBrush);
}

void IconSave(QPainter& p) { Floppy(p); }

void IconSaveAs(QPainter& p)
{
    Floppy(p);
    Pen(p, Red, 2.2);
    p.drawLine(QPointF(9, 13), QPointF(15, 7));
}

void IconImportFrame(QPainter& p)
{
    FrameSquare(p, 6.5, 6.5, 8);
    Arrow(p, {1.5, 1.5}, {6.5, 6.5}, Green);
}

void IconImportShow(QPainter& p)
{
    FrameSquare(p, 8.5, 4.5, 6);
    FrameSquare(p, 6.5, 8.5, 6);
    Arrow(p, {1, 1.5}, {6, 6.5}, Green);
}

void IconCompile(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(Screen);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(Qt::NoBrush);
    QPainterPath wave;
    wave.moveTo(2.5, 8);
    for (double x = 2.5; x <= 13.5; x += 0.5)
        wave.lineTo(x, 8 - 3.6 * std::sin((x - 2.5) / 11 * 2 * Pi * 1.5));
    Pen(p, QColor(80, 230, 120), 1.2);
    p.drawPath(wave);
}

void IconPlay(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(Green);
    p.drawPolygon(QPolygonF{{4, 2.5}, {13.5, 8}, {4, 13.5}});
    p.setBrush(Qt::NoBrush);
}

void IconStop(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(Red);
    p.drawRect(QRectF(3.5, 3.5, 9, 9));
    p.setBrush(Qt::NoBrush);
}

void IconRepeat(QPainter& p)
{
    Pen(p, Blue, 1.8);
    p.drawArc(QRectF(2.5, 2.5, 11, 11), 60 * 16, 270 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPolygon(QPolygonF{{9.5, 0.5}, {13.5, 3.2}, {9.5, 6}});
    p.setBrush(Qt::NoBrush);
}

void IconPreview(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(Screen);
    p.drawRect(QRectF(1.5, 1.5, 13, 10));
    p.setBrush(Qt::NoBrush);
    p.drawLine(QPointF(8, 11.5), QPointF(8, 14));
    p.drawLine(QPointF(4.5, 14.5), QPointF(11.5, 14.5));
    Pen(p, Red, 1.1);
    p.drawEllipse(QPointF(8, 6.5), 3.5, 2.5);
}

void IconLive(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(QColor(120, 120, 120));
    p.drawPolygon(QPolygonF{{1.5, 6}, {4.5, 6}, {8, 2.5}, {8, 13.5}, {4.5, 10}, {1.5, 10}});
    p.setBrush(Qt::NoBrush);
    Pen(p, Red, 1.3);
    p.drawArc(QRectF(6, 5, 6, 6), -50 * 16, 100 * 16);
    p.drawArc(QRectF(5, 2.5, 10, 11), -50 * 16, 100 * 16);
}

void IconMove(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(Paper);
    p.drawPolygon(QPolygonF{{3, 1.5}, {3, 12.5}, {5.8, 9.8}, {8, 14.5}, {9.8, 13.6}, {7.6, 9}, {11.5, 9}});
    p.setBrush(Qt::NoBrush);
    Dot(p, 13, 13, 2, Red);
}

void IconAdd(QPainter& p)
{
    Dot(p, 6, 10, 2.6, Red);
    Pen(p, Green, 2);
    p.drawLine(QPointF(11.5, 1.5), QPointF(11.5, 8.5));
    p.drawLine(QPointF(8, 5), QPointF(15, 5));
}

void IconDel(QPainter& p)
{
    Dot(p, 6, 10, 2.6, Red);
    Pen(p, Ink, 2);
    p.drawLine(QPointF(8.5, 5), QPointF(15, 5));
}

void IconZoom(QPainter& p)
{
    Pen(p, Ink, 1.6);
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setBrush(Qt::NoBrush);
    Pen(p, Ink, 2.6);
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
}

void IconSharpen(QPainter& p)
{
    Pen(p, Blue, 1.6);
    p.drawPolyline(QPolygonF{{1.5, 13.5}, {8, 2.5}, {14.5, 13.5}});
    Dot(p, 8, 2.8, 2, Red);
}

void IconLink(QPainter& p)
{
    Dot(p, 3.5, 4, 2, Red);
    Dot(p, 12.5, 12, 2, Blue);
    Pen(p, Amber, 1.4, Qt::DashLine);
    p.drawLine(QPointF(3.5, 4), QPointF(12.5, 12));
}

void IconMoveRotate(QPainter& p)
{
    Arrow(p, {8, 8}, {8, 1.5}, Ink);
    Arrow(p, {8, 8}, {8, 14.5}, Ink);
    Arrow(p, {8, 8}, {1.5, 8}, Ink);
    Arrow(p, {8, 8}, {14.5, 8}, Ink);
}

void IconAuxPoints(QPainter& p)
{
    Pen(p, QColor(0, 170, 170), 1.3);
    p.drawEllipse(QPointF(8, 8), 4.5, 4.5);
    p.drawLine(QPointF(8, 1), QPointF(8, 15));
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
}

void IconGeo(QPainter& p)
{
    QPolygonF hexagon;
    for (int k = 0; k < 6; ++k)
        hexagon << QPointF(8 + 6.3 * std::cos(k * Pi / 3), 8 + 6.3 * std::sin(k * Pi / 3));
    Pen(p, Blue, 1.4);
    p.drawPolygon(hexagon);
    Dot(p, 8, 8, 1.3, QColor(200, 0, 200));
}

void IconShowPoints(QPainter& p)
{
    Pen(p, Red, 1.1);
    p.drawPolyline(Shape);
    Pen(p, Ink, 1);
    for (const QPointF& pt : Shape)
        p.drawEllipse(pt, 1.8, 1.8);
}

void IconShowNumbers(QPainter& p)
{
    QFont font;
    font.setPixelSize(10);
    font.setBold(true);
    p.setFont(font);
    Pen(p, Ink, 1);
    p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("12"));
}

void IconBackframe(QPainter& p)
{
    Pen(p, QColor(140, 60, 60), 1.2);
    p.drawRect(QRectF(1.5, 1.5, 8, 8));
    Pen(p, Red, 1.5);
    p.drawRect(QRectF(6.5, 6.5, 8, 8));
}

void IconLinks(QPainter& p)
{
    Pen(p, QColor(140, 60, 60), 1.2);
    p.drawLine(QPointF(2, 3), QPointF(2, 13));
    Pen(p, Red, 1.5);
    p.drawLine(QPointF(14, 3), QPointF(14, 13));
    Pen(p, Amber, 1);
    p.drawLine(QPointF(2, 3), QPointF(14, 3));
    p.drawLine(QPointF(2, 8), QPointF(14, 8));
    p.drawLine(QPointF(2, 13), QPointF(14, 13));
}

void IconRound(QPainter& p)
{
    Pen(p, QColor(150, 150, 150), 1);
    p.drawPolyline(QPolygonF{{2, 14}, {8, 2}, {14, 14}});
    QPainterPath curve;
    curve.moveTo(2, 14);
    curve.quadTo(8, -2, 14, 14);
    Pen(p, QColor(255, 128, 64), 1.6);
    p.drawPath(curve);
}

void IconGrid(QPainter& p) { GridLines(p, Ink); }

void IconSnapGrid(QPainter& p)
{
    GridLines(p, QColor(150, 150, 150));
    Dot(p, 8, 8, 2.4, Red);
}

void IconSnapHelp(QPainter& p)
{
    Pen(p, Green, 1.3, Qt::DashLine);
    p.drawLine(QPointF(5, 1), QPointF(5, 15));
    p.drawLine(QPointF(1, 10), QPointF(15, 10));
    p.drawLine(QPointF(2, 14), QPointF(14, 2));
}

void IconRuler(QPainter& p)
{
    Pen(p, Ink, 1);
    p.setBrush(QColor(250, 230, 160));
    p.drawRect(QRectF(1.5, 5.5, 13, 5));
    p.setBrush(Qt::NoBrush);
    for (int x = 3; x <= 13; x += 2)
        p.drawLine(QPointF(x + 0.5, 5.5), QPointF(x + 0.5, x % 4 == 1 ? 8.5 : 7.5));
}

void IconCloseLoop(QPainter& p)
{
    Pen(p, Red, 1.5);
    p.drawPolygon(QPolygonF{{8, 2}, {14, 13}, {2, 13}});
}

void IconFlipX(QPainter& p)
{
    Pen(p, Ink, 1, Qt::DashLine);
    p.drawLine(QPointF(1, 8), QPointF(15, 8));
    Arrow(p, {8, 6}, {8, 1.5}, Blue);
    Arrow(p, {8, 10}, {8, 14.5}, Blue);
}

void IconFlipY(QPainter& p)
{
    Pen(p, Ink, 1, Qt::DashLine);
    p.drawLine(QPointF(8, 1), QPointF(8, 15));
    Arrow(p, {6, 8}, {1.5, 8}, Blue);
    Arrow(p, {10, 8}, {14.5, 8}, Blue);
}

void IconNoImage(QPainter& p)
{
    Picture(p);
    Pen(p, Red, 1.8);
    p.drawLine(QPointF(2, 14), QPointF(14, 2));
}

void IconPartImage(QPainter& p)
{
    Picture(p);
    Pen(p, Ink, 1.2, Qt::DotLine);
    p.drawRect(QRectF(5, 5, 7, 6));
}

void IconFullImage(QPainter& p) { Picture(p); }

void IconBlank(QPainter& p)
{
    Pen(p, Red, 1.6);
    p.drawLine(QPointF(1.5, 12), QPointF(5, 8));
    p.drawLine(QPointF(11, 2), QPointF(14.5, 2));
    Pen(p, QColor(150, 150, 150), 1.2, Qt::DotLine);
    p.drawLine(QPointF(5, 8), QPointF(11, 2));
    Dot(p, 5, 8, 1.8, Ink);
}

void IconColor(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Red);
    p.drawPolygon(QPolygonF{{1.5, 1.5}, {14.5, 1.5}, {1.5, 14.5}});
    p.setBrush(Blue);
    p.drawPolygon(QPolygonF{{14.5, 1.5}, {14.5, 14.5}, {1.5, 14.5}});
    p.setBrush(Qt::NoBrush);
    Pen(p, Ink, 1);
    p.drawRect(QRectF(1.5, 1.5, 13, 13));
}

void IconLock(QPainter& p)
{
    Pen(p, Ink, 1.6);
    p.drawArc(QRectF(4.5, 1.5, 7, 9), 0, 180 * 16);
    p.drawLine(QPointF(4.5, 6), QPointF(4.5, 7.5));
    p.drawLine(QPointF(11.5, 6), QPointF(11.5, 7.5));
    Pen(p, Ink, 1);
    p.setBrush(Amber);
    p.drawRect(QRectF(2.5, 7.5, 11, 7));
    p.setBrush(Qt::NoBrush);
    Dot(p, 8, 11, 1.2, Ink);
}

void IconEffect(QPainter& p)
{
    QPolygonF star;
    for (int k = 0; k < 10; ++k) {
        const double r = k % 2 ? 2.6 : 6.8;
        const double a = k * Pi / 5 - Pi / 2;
        star << QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a));
    }
    Pen(p, QColor(170, 110, 0), 1);
    p.setBrush(QColor(255, 210, 60));
    p.drawPolygon(star);
    p.setBrush(Qt::NoBrush);
}

void IconUndo(QPainter& p)
{
    Pen(p, Blue, 1.8);
    p.drawArc(QRectF(3, 4, 10, 9), 90 * 16, -200 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Blue);
    p.drawPolygon(QPolygonF{{8, 1.2}, {8, 6.8}, {3.5, 4}});
    p.setBrush(Qt::NoBrush);
}

void IconRedo(QPainter& p)
{
    p.translate(16, 0);
    p.scale(-1, 1);
    IconUndo(p);
}

void IconApp(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Screen);
    p.drawRoundedRect(QRectF(0.5, 0.5, 15, 15), 3, 3);
    p.setBrush(Qt::NoBrush);
    Pen(p, QColor(255, 60, 60), 1.1);
    for (int k = 0; k < 5; ++k) {
        const double a = k * 2 * Pi / 5 - Pi / 2;
        p.drawLine(QPointF(8, 13.5), QPointF(8 + 6 * std::cos(a), 7.5 + 5.5 * std::sin(a)));
    }
    Pen(p, QColor(90, 140, 255), 1.3);
    p.drawEllipse(QPointF(8, 7.5), 3, 3);
    Dot(p, 8, 13.5, 1.4, QColor(255, 230, 230));
}

const QHash<QString, TIconPainter>& IconTable()
{
    static const QHash<QString, TIconPainter> table{
        {"new", IconNew}, {"open", IconOpen}, {"save", IconSave}, {"saveas", IconSaveAs},
        {"importframe", IconImportFrame}, {"importshow", IconImportShow},
        {"compile", IconCompile}, {"play", IconPlay}, {"stop", IconStop}, {"repeat", IconRepeat},
        {"preview", IconPreview}, {"live", IconLive},
        {"move", IconMove}, {"add", IconAdd}, {"del", IconDel}, {"zoom", IconZoom},
        {"sharpen", IconSharpen}, {"link", IconLink}, {"moverotate", IconMoveRotate},
        {"auxpoints", IconAuxPoints}, {"geo", IconGeo},
        {"showpoints", IconShowPoints}, {"shownumbers", IconShowNumbers},
        {"backframe", IconBackframe}, {"links", IconLinks}, {"round", IconRound},
        {"grid", IconGrid}, {"snapgrid", IconSnapGrid}, {"snaphelp", IconSnapHelp},
        {"ruler", IconRuler}, {"closeloop", IconCloseLoop}, {"flipx", IconFlipX}, {"flipy", IconFlipY},
        {"noimg", IconNoImage}, {"partimg", IconPartImage}, {"fullimg", IconFullImage},
        {"blank", IconBlank}, {"color", IconColor}, {"lock", IconLock}, {"effect", IconEffect},
        {"undo", IconUndo}, {"redo", IconRedo}, {"app", IconApp},
    };
    return table;
}

class TPaintedIconEngine : public QIconEngine {
public:
    explicit TPaintedIconEngine(TIconPainter painter) : Painter(painter) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.35);
        Painter(*painter);
        painter->restore();
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pixmap(size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new TPaintedIconEngine(Painter); }

private:
    TIconPainter Painter;
};

// --- cursors -----------------------------------------------------------------------------

// A 32 x 32 cursor: the classic arrow (hot spot at its tip) or a crosshair (hot spot in the
// middle), with a small badge that names the tool.
enum class TCursorBase { Arrow, Cross };

QCursor MakeCursor(TCursorBase base, const std::function<void(QPainter&)>& badge)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPoint hot;
    if (base == TCursorBase::Arrow) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF{{0.5, 0.5}, {0.5, 16.5}, {4.5, 12.5}, {7.5, 19}, {10, 18}, {7, 11.5}, {12.5, 11.5}});
        hot = QPoint(0, 0);
    } else {
        for (const auto& [color, width] : {std::pair{QColor(Qt::white), 3.0}, std::pair{QColor(Qt::black), 1.0}}) {
            p.setPen(QPen(color, width));
            p.drawLine(QPointF(15.5, 4), QPointF(15.5, 12));
            p.drawLine(QPointF(15.5, 19), QPointF(15.5, 27));
            p.drawLine(QPointF(4, 15.5), QPointF(12, 15.5));
            p.drawLine(QPointF(19, 15.5), QPointF(27, 15.5));
        }
        hot = QPoint(15, 15);
    }
    p.translate(18, 18);
    p.setBrush(Qt::NoBrush);
    badge(p);
    p.end();
    return QCursor(pixmap, hot.x(), hot.y());
}

void BadgeBox(QPainter& p)
{
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(0.5, 0.5, 12, 12));
    p.setBrush(Qt::NoBrush);
}

std::array<QCursor, 9> MakeCursors()
{
    std::array<QCursor, 9> cursors;
    cursors[0] = QCursor(Qt::ArrowCursor);
    cursors[1] = MakeCursor(TCursorBase::Arrow, [](QPainter& p) { // MOVEPOINT
        BadgeBox(p);
        p.setPen(QPen(Qt::black, 1.5));
        p.drawLine(QPointF(6.5, 2), QPointF(6.5, 11));
        p.drawLine(QPointF(2, 6.5), QPointF(11, 6.5));
    });
    cursors[2] = MakeCursor(TCursorBase::Cross, [](QPainter& p) { // ADDPOINT
        BadgeBox(p);
        p.setPen(QPen(QColor(0, 140, 0), 2));
        p.drawLine(QPointF(6.5, 2.5), QPointF(6.5, 10.5));
        p.drawLine(QPointF(2.5, 6.5), QPointF(10.5, 6.5));
    });
    cursors[3] = MakeCursor(TCursorBase::Cross, [](QPainter& p) { // DELPOINT
        BadgeBox(p);
        p.setPen(QPen(QColor(200, 0, 0), 2));
        p.drawLine(QPointF(2.5, 6.5), QPointF(10.5, 6.5));
    });
    cursors[4] = MakeCursor(TCursorBase::Arrow, [](QPainter& p) { // ZOOM
        p.setPen(QPen(Qt::white, 4));
        p.drawEllipse(QPointF(5, 5), 4.5, 4.5);
        p.drawLine(QPointF(8.5, 8.5), QPointF(13, 13));
        p.setPen(QPen(Qt::black, 1.8));
        p.drawEllipse(QPointF(5, 5), 4.5, 4.5);
        p.drawLine(QPointF(8.5, 8.5), QPointF(13, 13));
    });
    cursors[5] = MakeCursor(TCursorBase::Arrow, [](QPainter& p) { // POINTTYPE
        BadgeBox(p);
        p.setPen(QPen(QColor(0, 60, 200), 1.5));
        p.drawPolyline(QPolygonF{{2, 11}, {6.5, 2.5}, {11, 11}});
    });
    cursors[6] = MakeCursor(TCursorBase::Arrow, [](QPainter& p) { // ANIM
        BadgeBox(p);
        p.setPen(QPen(QColor(200, 140, 0), 1.5, Qt::DashLine));
        p.drawLine(QPointF(2.5, 2.5), QPointF(10.5, 10.5));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(200, 0, 0));
        p.drawEllipse(QPointF(2.5, 2.5), 2, 2);
        p.setBrush(QColor(0, 0, 200));
        p.drawEllipse(QPointF(10.5, 10.5), 2, 2);
    });
    cursors[7] = QCursor(Qt::SizeAllCursor);
    cursors[8] = QCursor(Qt::CrossCursor);
    return cursors;
}

} // namespace

QIcon ToolIcon(const QString& name)
{
    const TIconPainter painter = IconTable().value(name);
    return painter ? QIcon(new TPaintedIconEngine(painter)) : QIcon();
}

QIcon AppIcon()
{
    // Window managers pick from the sizes an icon lists, so this one carries real pixmaps.
    const QIcon painted = ToolIcon(QStringLiteral("app"));
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(painted.pixmap(size, size));
    return icon;
}

const std::array<QCursor, 9>& Cursors()
{
    static const std::array<QCursor, 9> cursors = MakeCursors();
    return cursors;
}
