#include "MainWindowImages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <functional>

namespace {

constexpr int kSize = 16;

const QColor kInk(40, 48, 64);
const QColor kPaper(250, 250, 244);
const QColor kBlue(52, 101, 164);
const QColor kLightBlue(170, 200, 235);
const QColor kGreen(60, 140, 70);
const QColor kRed(200, 40, 40);
const QColor kYellow(240, 200, 70);
const QColor kGrey(150, 150, 150);

using Painter = std::function<void(QPainter&)>;

QPixmap paint(const Painter& draw)
{
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, true);
    draw(p);
    return pm;
}

void floppy(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kBlue);
    p.drawRect(r);
    p.setBrush(kPaper);
    p.drawRect(QRectF(r.left() + 2, r.top(), r.width() - 4, r.height() * 0.45));
    p.setBrush(kGrey);
    p.drawRect(QRectF(r.left() + r.width() * 0.3, r.bottom() - r.height() * 0.35, r.width() * 0.4,
                      r.height() * 0.35));
}

// An arrow from the centre towards dx, dy (one of them 0).
void arrow(QPainter& p, int dx, int dy)
{
    QPolygonF head;
    const QPointF c(8, 8);
    const QPointF tip = c + QPointF(dx * 6.5, dy * 6.5);
    const QPointF side(dy * 5.5, dx * 5.5);
    const QPointF back = c + QPointF(dx * 0.5, dy * 0.5);
    head << tip << back + side << back - side;
    p.setPen(QPen(kInk, 1));
    p.setBrush(kGreen);
    p.drawPolygon(head);
    const QPointF tailEnd = c - QPointF(dx * 6.5, dy * 6.5);
    p.setPen(QPen(kGreen, 3, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(back, tailEnd);
}

// A one-line input box, the common part of the field images.
void fieldBox(QPainter& p, const QColor& fill)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(fill);
    p.drawRect(QRectF(1.5, 4.5, 13, 7));
    p.setPen(QPen(kInk, 1));
    p.drawLine(QPointF(3.5, 6.5), QPointF(3.5, 9.5));
}

void windowFrame(QPainter& p, const QColor& title)
{
    p.setPen(QPen(kInk, 1));
    p.setBrush(kPaper);
    p.drawRect(QRectF(1.5, 2.5, 13, 11));
    p.setBrush(title);
    p.drawRect(QRectF(1.5, 2.5, 13, 3));
}

const QHash<QString, Painter>& painters()
{
    static const QHash<QString, Painter> table = {
        {QStringLiteral("save"), [](QPainter& p) { floppy(p, QRectF(1.5, 1.5, 13, 13)); }},
        {QStringLiteral("delete"),
         [](QPainter& p) {
             p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(3, 3), QPointF(13, 13));
             p.drawLine(QPointF(13, 3), QPointF(3, 13));
         }},
        {QStringLiteral("help"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(kBlue);
             p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
             QFont f = p.font();
             f.setPixelSize(11);
             f.setBold(true);
             p.setFont(f);
             p.setPen(Qt::white);
             p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("?"));
         }},
        {QStringLiteral("props"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(kPaper);
             p.drawRect(QRectF(2.5, 1.5, 11, 13));
             for (int y = 4; y <= 12; y += 3) {
                 p.setPen(QPen(kBlue, 1));
                 p.drawLine(QPointF(4.5, y + 0.5), QPointF(6.5, y + 0.5));
                 p.setPen(QPen(kGrey, 1));
                 p.drawLine(QPointF(7.5, y + 0.5), QPointF(11.5, y + 0.5));
             }
         }},
        {QStringLiteral("down"), [](QPainter& p) { arrow(p, 0, 1); }},
        {QStringLiteral("group"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(kYellow);
             QPainterPath folder;
             folder.moveTo(1.5, 4.5);
             folder.lineTo(6.5, 4.5);
             folder.lineTo(7.5, 3.0);
             folder.lineTo(14.5, 3.0);
             folder.lineTo(14.5, 13.5);
             folder.lineTo(1.5, 13.5);
             folder.closeSubpath();
             p.drawPath(folder);
             p.drawLine(QPointF(1.5, 6.5), QPointF(14.5, 6.5));
         }},
        {QStringLiteral("session"), [](QPainter& p) { windowFrame(p, kGrey); }},
        {QStringLiteral("picture"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(kLightBlue);
             p.drawRect(QRectF(1.5, 2.5, 13, 11));
             p.setPen(Qt::NoPen);
             p.setBrush(kYellow);
             p.drawEllipse(QRectF(9, 4, 3.5, 3.5));
             p.setBrush(kGreen);
             QPolygonF hill;
             hill << QPointF(2, 13) << QPointF(6.5, 7) << QPointF(10, 11) << QPointF(12, 9) << QPointF(14, 13);
             p.drawPolygon(hill);
         }},
        {QStringLiteral("insert"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(kPaper);
             p.drawRect(QRectF(1.5, 4.5, 13, 7));
             p.setPen(QPen(kGreen, 2.5, Qt::SolidLine, Qt::FlatCap));
             p.drawLine(QPointF(8, 5), QPointF(8, 11));
             p.drawLine(QPointF(5, 8), QPointF(11, 8));
         }},
        {QStringLiteral("label"),
         [](QPainter& p) {
             QFont f = p.font();
             f.setPixelSize(13);
             f.setBold(true);
             p.setFont(f);
             p.setPen(kInk);
             p.drawText(QRectF(0, 0, kSize, kSize), Qt::AlignCenter, QStringLiteral("A"));
             p.setPen(QPen(kBlue, 1));
             p.drawLine(QPointF(2, 14.5), QPointF(14, 14.5));
         }},
        {QStringLiteral("left"), [](QPainter& p) { arrow(p, -1, 0); }},
        {QStringLiteral("ntfield"), [](QPainter& p) { fieldBox(p, Qt::white); }},
        {QStringLiteral("right"), [](QPainter& p) { arrow(p, 1, 0); }},
        {QStringLiteral("saveexit"),
         [](QPainter& p) {
             floppy(p, QRectF(1.5, 1.5, 10, 10));
             p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::FlatCap));
             p.drawLine(QPointF(8, 12.5), QPointF(14, 12.5));
             p.drawLine(QPointF(14, 12.5), QPointF(11.5, 10));
             p.drawLine(QPointF(14, 12.5), QPointF(11.5, 15));
         }},
        {QStringLiteral("tablefield"),
         [](QPainter& p) {
             fieldBox(p, kLightBlue);
             p.setPen(QPen(kBlue, 1));
             p.drawLine(QPointF(9.5, 4.5), QPointF(9.5, 11.5));
         }},
        {QStringLiteral("reffield"),
         [](QPainter& p) {
             fieldBox(p, kLightBlue);
             p.setPen(QPen(kGreen, 1.5));
             p.drawEllipse(QRectF(8.5, 6, 4, 4));
             p.drawLine(QPointF(12.5, 8), QPointF(14.5, 8));
         }},
        {QStringLiteral("up"), [](QPainter& p) { arrow(p, 0, -1); }},
        {QStringLiteral("session3"),
         [](QPainter& p) {
             windowFrame(p, kBlue);
             p.setPen(QPen(kGrey, 1));
             for (int y = 8; y <= 12; y += 2)
                 p.drawLine(QPointF(3.5, y + 0.5), QPointF(12.5, y + 0.5));
         }},
        // Drawn in the lower right corner only, so that it can lie over another image.
        {QStringLiteral("button"),
         [](QPainter& p) {
             p.setPen(QPen(kInk, 1));
             p.setBrush(QColor(225, 225, 225));
             p.drawRoundedRect(QRectF(7.5, 9.5, 8, 6), 1.5, 1.5);
             p.setPen(QPen(Qt::white, 1));
             p.drawLine(QPointF(8.5, 10.5), QPointF(14.5, 10.5));
             p.setPen(QPen(kRed, 1.5));
             p.drawLine(QPointF(10, 12.5), QPointF(13, 12.5));
         }},
    };
    return table;
}

} // namespace

bool ImageList::add(const QString& key, const QPixmap& picture)
{
    if (key.isEmpty() || m_pictures.contains(key))
        return false;
    m_keys.push_back(key);
    m_pictures.insert(key, picture);
    return true;
}

QPixmap ImageList::picture(int index) const { return picture(key(index)); }

QString ImageList::key(int index) const
{
    if (index < 1 || index > count())
        return {};
    return m_keys[size_t(index - 1)];
}

int ImageList::indexOf(const QString& key) const
{
    for (size_t i = 0; i < m_keys.size(); ++i)
        if (m_keys[i] == key)
            return int(i) + 1;
    return 0;
}

QPixmap ImageList::overlay(int base, int top) const
{
    const QPixmap b = picture(base);
    const QPixmap t = picture(top);
    if (b.isNull() || t.isNull())
        return {};
    return overlayImages(b, t);
}

QHash<QString, QIcon> ImageList::icons() const
{
    QHash<QString, QIcon> result;
    for (auto it = m_pictures.cbegin(); it != m_pictures.cend(); ++it)
        result.insert(it.key(), QIcon(it.value()));
    return result;
}

void ImageList::clear()
{
    m_keys.clear();
    m_pictures.clear();
}

const QStringList& treeImageKeys()
{
    static const QStringList keys = {
        QStringLiteral("save"),     QStringLiteral("delete"),   QStringLiteral("help"),
        QStringLiteral("props"),    QStringLiteral("down"),     QStringLiteral("group"),
        QStringLiteral("session"),  QStringLiteral("picture"),  QStringLiteral("insert"),
        QStringLiteral("label"),    QStringLiteral("left"),     QStringLiteral("ntfield"),
        QStringLiteral("right"),    QStringLiteral("saveexit"), QStringLiteral("tablefield"),
        QStringLiteral("reffield"), QStringLiteral("up"),       QStringLiteral("session3"),
        QStringLiteral("button"),
    };
    return keys;
}

QPixmap drawTreeImage(const QString& key)
{
    const auto it = painters().constFind(key);
    if (it == painters().cend())
        return {};
    return paint(it.value());
}

QPixmap overlayImages(const QPixmap& base, const QPixmap& top)
{
    QPixmap result = base.copy();
    QPainter p(&result);
    p.drawPixmap(QRect(QPoint(0, 0), base.size()), top);
    return result;
}

ImageList designTimeImageList()
{
    ImageList list;
    for (const QString& key : treeImageKeys())
        list.add(key, drawTreeImage(key));
    return list;
}
