#pragma once
// Pictures of the windows, saved into the build tree for a look.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QPixmap>
#include <QImage>
#include <QSet>
#include <QString>
#include <QWidget>

// The build tree's folder for pictures of the windows: "screenshots", or for a run on
// another platform than the offscreen one "screenshots-" and its name (an X server:
// "screenshots-xcb").
inline QString screenshotFolder()
{
    const QString platform = QGuiApplication::platformName();
    return QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots")
           + (platform == QLatin1String("offscreen") ? QString() : u'-' + platform);
}

// Saves a window's picture (its grab()) into the screenshots folder for a look; its
// file, empty when it could not be written.
inline QString saveScreenshot(const QPixmap& picture, const QString& name)
{
    const QString dir = screenshotFolder();
    const QString file = dir + u'/' + name;
    const bool saved = QDir().mkpath(dir) && picture.save(file);
    EXPECT_TRUE(saved) << file.toStdString();
    return saved ? file : QString();
}

// The number of distinct colours in a part of a picture, looking at every step-th pixel:
// a part that shows something has more than a few.
inline int colours(const QImage& image, const QRect& part, int step = 1)
{
    QSet<QRgb> seen;
    for (int y = part.top(); y <= part.bottom(); y += step)
        for (int x = part.left(); x <= part.right(); x += step)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}
