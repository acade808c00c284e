#include "frm_About.h"

#include "mod_Texts.h"
#include "gui_Screen.h"
#include "Fonts.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {

QPointer<frm_About> g_about;

const QString kProductName = QStringLiteral("Palimor");
const QString kNotice = QStringLiteral("Form editor for the host's screen forms. "
                                       "\u00A9 The Palimor developers.");
const QString kCaptionCode = QStringLiteral("pzfrm.About");
const QString kCredits = QStringLiteral("CREDITS");
// Light grey, colour 7 of the classic 16-colour palette.
const QColor kLightGrey(192, 192, 192);
constexpr int16_t kLabelKind = 11;

// Our own picture: a sketch of a screen form, its groups and fields, on the right.
QPixmap aboutPicture(const QSize& size)
{
    QPixmap pixmap(size);
    pixmap.fill(kLightGrey);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const int w = size.width();
    const int h = size.height();
    const QRectF form(w * 0.60, h * 0.12, w * 0.34, h * 0.62);
    p.setPen(QPen(QColor(96, 96, 96), 1.5));
    p.setBrush(QColor(236, 236, 236));
    p.drawRoundedRect(form, 4, 4);
    p.setBrush(QColor(64, 96, 144));
    p.drawRect(QRectF(form.left(), form.top(), form.width(), form.height() * 0.14));
    p.setPen(Qt::NoPen);
    const qreal row = form.height() * 0.16;
    for (int i = 0; i < 4; ++i) {
        const qreal y = form.top() + form.height() * 0.24 + i * row;
        p.setBrush(QColor(120, 120, 120));
        p.drawRect(QRectF(form.left() + 8, y, form.width() * 0.28, row * 0.35));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(form.left() + form.width() * 0.42, y - row * 0.1, form.width() * 0.5, row * 0.55));
    }
    p.setPen(QPen(QColor(64, 96, 144), 2));
    p.drawLine(QPointF(w * 0.05, h * 0.72), QPointF(w * 0.95, h * 0.72));
    return pixmap;
}

} // namespace

QString gsAboutVersionText(int major, int minor, int revision)
{
    return QStringLiteral("Version: %1.%2a.%3").arg(major).arg(minor).arg(revision);
}

frm_About& aboutBox()
{
    if (!g_about)
        g_about = new frm_About;
    return *g_about;
}

frm_About* aboutBoxInstance() { return g_about.data(); }

void gShowAboutBox(QWidget* parent, std::function<void()> onCredits)
{
    frm_About& box = aboutBox();
    box.onCredits = std::move(onCredits);
    if (parent)
        box.setParent(parent, box.windowFlags());
    box.exec();
}

frm_About::frm_About(QWidget* parent)
    : QDialog(parent)
    , m_captionCode(kCaptionCode)
{
    setObjectName(QStringLiteral("frm_About"));
    setWindowTitle(m_captionCode);
    setFixedSize(420, 220);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setScaledContents(true);

    lblProduct1 = new QLabel(this);
    lblProduct1->setObjectName(QStringLiteral("lblProduct1"));
    lblProduct1->setGeometry(24, 28, 220, 24);
    lblProduct2 = new QLabel(this);
    lblProduct2->setObjectName(QStringLiteral("lblProduct2"));
    lblProduct2->setGeometry(24, 60, 220, 20);
    lblNotice = new QLabel(this);
    lblNotice->setObjectName(QStringLiteral("lblNotice"));
    lblNotice->setWordWrap(true);
    lblNotice->setGeometry(24, 96, 220, 60);

    pbOk = new QPushButton(this);
    pbOk->setObjectName(QStringLiteral("pbOk"));
    pbOk->setGeometry(420 - 24 - 88, 220 - 20 - 28, 88, 28);
    pbOk->setDefault(true);
    connect(pbOk, &QPushButton::clicked, this, &frm_About::mCloseAbout);

    Form_Load();
}

void frm_About::Form_Load()
{
    lblProduct1->setText(kProductName);
    lblProduct2->setText(gsAboutVersionText(PALIMOR_VERSION_MAJOR, PALIMOR_VERSION_MINOR, PALIMOR_VERSION_PATCH));
    lblNotice->setText(kNotice);
    int16_t kind = kLabelKind;
    pbOk->setText(gsGetLabel(QStringLiteral("pzcmd.Ok"), kind));

    // In the middle of the screen's available area, its frame on it.
    QRect placed = geometry();
    placed.moveCenter(platform::roomFor(this).center());
    setGeometry(platform::fittedGeometry(this, placed));

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kLightGrey);
    setPalette(pal);
    setAutoFillBackground(true);

    if (goFonts)
        goFonts->SetDefaultFontOfControls(this);
}

void frm_About::Form_Activate()
{
    // The caption is translated from its code each time, never from the last text.
    int16_t kind = kLabelKind;
    setWindowTitle(gsGetLabel(m_captionCode, kind));
    placeImage();
}

void frm_About::placeImage()
{
    Image1->setGeometry(rect());
    Image1->setPixmap(aboutPicture(size()));
    Image1->lower();
}

void frm_About::mCloseAbout()
{
    if (g_about == this)
        g_about = nullptr;
    QDialog::done(QDialog::Accepted);
    deleteLater();
}

void frm_About::reject() { mCloseAbout(); }

void frm_About::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Form_Activate();
}

void frm_About::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeImage();
}

void frm_About::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        mCloseAbout();
        return;
    default:
        break;
    }
    const QString typed = event->text().toUpper();
    if (typed.size() == 1 && typed.at(0).isLetter()) {
        m_typed = (m_typed + typed).right(kCredits.size());
        if (m_typed == kCredits) {
            m_typed.clear();
            if (onCredits)
                onCredits();
        }
    }
    QDialog::keyPressEvent(event);
}

void frm_About::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    mCloseAbout();
}
