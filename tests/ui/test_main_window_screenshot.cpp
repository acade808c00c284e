// The main window with the medium demo form, rendered: the picture is written into the
// build tree for a look and checked for its size and for content.
#include "test_main_window_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QSet>

namespace {

using MainWindowPicture = MainWindowTest;

// The number of distinct colours in a part of the picture.
int colours(const QImage& image, const QRect& part)
{
    QSet<QRgb> seen;
    for (int y = part.top(); y <= part.bottom(); ++y)
        for (int x = part.left(); x <= part.right(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

TEST_F(MainWindowPicture, ShowsTheMediumDemoForm)
{
    open(QStringLiteral("itemsd"));
    w().resize(640, 480);
    w().mResetControlPositions();
    const QImage image = w().grab().toImage();
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    ASSERT_TRUE(QDir().mkpath(dir));
    const QString file = dir + QStringLiteral("/main_window_itemsd.png");
    ASSERT_TRUE(image.save(file));

    const QImage saved(file);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(saved.size(), w().size() * w().devicePixelRatio());
    // Every part carries something: the menu bar and toolbar with their texts and
    // images, the tree with its node texts and images.
    EXPECT_GT(colours(saved, QRect(0, 0, saved.width(), w().tvwGroups->y())), 8);
    const QRect treeRect = w().tvwGroups->geometry();
    EXPECT_GT(colours(saved, treeRect.adjusted(0, 0, 0, -treeRect.height() / 2)), 8);
    // The tree shows the form's nodes expanded: the root and its first group.
    EXPECT_TRUE(w().tvwGroups->itemOf(tree().node(QStringLiteral("g_0")))->isExpanded());
    EXPECT_TRUE(w().tvwGroups->itemOf(tree().node(QStringLiteral("g_1")))->isExpanded());
    EXPECT_FALSE(w().tvwGroups->itemOf(tree().node(QStringLiteral("f_1")))->icon(0).isNull());
    // The six composite images follow the nineteen drawn ones.
    EXPECT_EQ(w().imglstTreeView.count(), 25);
    EXPECT_FALSE(w().tvwGroups->image(QStringLiteral("session3button")).isNull());
}

TEST(MainWindowImages, ComposedImagesLayTheButtonOverTheirBase)
{
    const ImageList list = designTimeImageList();
    ASSERT_EQ(list.count(), 19);
    const QImage base = list.picture(QStringLiteral("group")).toImage();
    const QImage composed = list.overlay(6, 19).toImage();
    const QImage mark = list.picture(19).toImage();
    ASSERT_NE(base, mark);
    // Where the mark is transparent the base shows; where it is opaque the mark does.
    EXPECT_EQ(composed.pixel(2, 2), base.pixel(2, 2));
    EXPECT_EQ(qAlpha(mark.pixel(11, 12)), 255);
    EXPECT_EQ(composed.pixel(11, 12), mark.pixel(11, 12));
    EXPECT_TRUE(list.overlay(6, 20).isNull());
}

} // namespace
