// The about box: its texts, its caption from the host labels, and the ways it closes.
#include "services/Fonts.h"
#include "services/frm_About.h"
#include "support/CoreTestSupport.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

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
};

TEST_F(About, ShowsNameVersionLabelsAndPictureCentredAndAnswersCredits)
{
    EXPECT_EQ(gsAboutVersionText(2, 3, 41), QStringLiteral("Version: 2.3a.41"));
    goFonts = std::make_unique<Fonts>();
    frm_About& box = shown();
    EXPECT_EQ(box.lblProduct1->text(), QStringLiteral("Palimor"));
    EXPECT_EQ(box.lblProduct2->text(),
              gsAboutVersionText(PALIMOR_VERSION_MAJOR, PALIMOR_VERSION_MINOR, PALIMOR_VERSION_PATCH));
    EXPECT_FALSE(box.lblNotice->text().isEmpty());
    EXPECT_EQ(box.pbOk->text(), QStringLiteral("Fine"));
    EXPECT_EQ(box.Image1->geometry(), box.rect());
    EXPECT_FALSE(box.Image1->pixmap().isNull());
    EXPECT_TRUE(box.pbOk->property("fontCharset").isValid());
    // Every activation translates the code again, not the text it became.
    for (int activation = 0; activation < 2; ++activation) {
        EXPECT_EQ(box.windowTitle(), QStringLiteral("About this editor")) << activation;
        box.hide();
        box.show();
    }
    EXPECT_TRUE(dialogs->shown().empty());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(box.x(), screen.left() + (screen.width() - box.width()) / 2);
    EXPECT_EQ(box.y(), screen.top() + (screen.height() - box.height()) / 2);

    // Typing "credits" runs the handler and leaves the box up.
    int calls = 0;
    box.onCredits = [&] { ++calls; };
    QTest::keyClicks(&box, QStringLiteral("credit"));
    EXPECT_EQ(calls, 0);
    QTest::keyClicks(&box, QStringLiteral("xcredits"));
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(box.isVisible());
}

TEST_F(About, EnterEscAClickAndOkCloseAndReleaseTheBox)
{
    const std::function<void(frm_About&)> closers[] = {
        [](frm_About& b) { QTest::keyClick(&b, Qt::Key_Escape); },
        [](frm_About& b) { QTest::keyClick(&b, Qt::Key_Return); },
        [](frm_About& b) { QTest::mouseClick(&b, Qt::LeftButton, {}, QPoint(5, 5)); },
        [](frm_About& b) { QTest::mouseClick(b.lblProduct1, Qt::LeftButton, {}, QPoint(3, 3)); },
        [](frm_About& b) { b.pbOk->click(); },
        [](frm_About& b) { b.close(); },
    };
    for (const auto& close : closers) {
        QPointer<frm_About> box = &shown();
        close(*box);
        EXPECT_FALSE(box->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(box.isNull());
        EXPECT_EQ(aboutBoxInstance(), nullptr);
    }
}

} // namespace
