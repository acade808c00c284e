// The about box: its texts, its caption from the host labels, and the ways it closes.
#include "services/Fonts.h"
#include "services/frm_About.h"
#include "support/CoreTestSupport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// Key and mouse input as the window system would deliver it.
void pressKey(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

void typeText(QWidget* w, const QString& text)
{
    for (QChar c : text)
        pressKey(w, Qt::Key_A + (c.toUpper().unicode() - 'A'), QString(c));
}

void clickAt(QWidget* w, QPoint pos)
{
    const QPointF local(pos), global(w->mapToGlobal(pos));
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

class About : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        useTexts({{QStringLiteral("pzcmd.Ok"), QStringLiteral("Fine")},
                  {QStringLiteral("pzfrm.About"), QStringLiteral("About this editor")}});
    }
    void TearDown() override
    {
        delete aboutBoxInstance();
        resetFonts();
        CoreTest::TearDown();
    }

    // Shows the box without blocking, as the modal show would.
    frm_About& shown()
    {
        frm_About& box = aboutBox();
        box.show();
        return box;
    }

    static void released(QPointer<frm_About>& box)
    {
        EXPECT_FALSE(box->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(box.isNull());
        EXPECT_EQ(aboutBoxInstance(), nullptr);
    }
};

TEST(AboutVersion, MinorNumberIsFollowedByTheLetterA)
{
    EXPECT_EQ(gsAboutVersionText(1, 0, 7), QStringLiteral("Version: 1.0a.7"));
    EXPECT_EQ(gsAboutVersionText(2, 3, 41), QStringLiteral("Version: 2.3a.41"));
}

TEST_F(About, ShowsNameVersionLabelsAndPicture)
{
    goFonts = std::make_unique<Fonts>();
    frm_About& box = shown();
    EXPECT_EQ(box.lblProduct1->text(), QStringLiteral("Palimor"));
    EXPECT_EQ(box.lblProduct2->text(),
              gsAboutVersionText(PALIMOR_VERSION_MAJOR, PALIMOR_VERSION_MINOR, PALIMOR_VERSION_PATCH));
    EXPECT_FALSE(box.lblNotice->text().isEmpty());
    EXPECT_EQ(box.pbOk->text(), QStringLiteral("Fine"));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About this editor"));
    EXPECT_EQ(box.Image1->geometry(), box.rect());
    EXPECT_FALSE(box.Image1->pixmap().isNull());
    EXPECT_EQ(box.palette().color(QPalette::Window), QColor(192, 192, 192));
    EXPECT_TRUE(box.pbOk->property("fontCharset").isValid());

    // A second activation translates the code again, not the text it became.
    box.hide();
    box.show();
    EXPECT_EQ(box.windowTitle(), QStringLiteral("About this editor"));
    EXPECT_TRUE(dialogs->shown().empty());

    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(box.x(), screen.left() + (screen.width() - box.width()) / 2);
    EXPECT_EQ(box.y(), screen.top() + (screen.height() - box.height()) / 2);
}

TEST_F(About, EnterEscAClickAndOkCloseAndReleaseTheBox)
{
    const std::function<void(frm_About&)> closers[] = {
        [](frm_About& b) { pressKey(&b, Qt::Key_Escape); },
        [](frm_About& b) { pressKey(&b, Qt::Key_Return); },
        [](frm_About& b) { clickAt(&b, QPoint(5, 5)); },
        [](frm_About& b) { clickAt(b.lblProduct1, QPoint(3, 3)); },
        [](frm_About& b) { clickAt(b.pbOk, b.pbOk->rect().center()); },
        [](frm_About& b) { b.close(); },
    };
    for (const auto& close : closers) {
        QPointer<frm_About> box = &shown();
        close(*box);
        released(box);
    }
}

TEST_F(About, TypingCreditsCallsTheHandler)
{
    frm_About& box = shown();
    int calls = 0;
    box.onCredits = [&] { ++calls; };
    typeText(&box, QStringLiteral("credit"));
    EXPECT_EQ(calls, 0);
    typeText(&box, QStringLiteral("xcredits"));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(box.isVisible());
}

} // namespace
