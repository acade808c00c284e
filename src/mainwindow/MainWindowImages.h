#pragma once
// The images of the main window's tree and toolbar, drawn at start-up: nineteen
// 16 by 16 pictures in a fixed order, and composites made by laying one image over
// another (the "button" mark over a node image).
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <vector>

// An ordered list of images addressed by a 1-based index or by key.
class ImageList {
public:
    // Appends the image; a key that is already used is refused (false).
    bool add(const QString& key, const QPixmap& picture);
    int count() const { return int(m_keys.size()); }
    // 1-based; nothing (a null pixmap / "") outside 1 to count().
    QPixmap picture(int index) const;
    QString key(int index) const;
    QPixmap picture(const QString& key) const { return m_pictures.value(key); }
    bool contains(const QString& key) const { return m_pictures.contains(key); }
    // 0 when the key is not in the list.
    int indexOf(const QString& key) const;
    // top drawn over the image at index base (both 1-based); null when either is missing.
    QPixmap overlay(int base, int top) const;
    QHash<QString, QIcon> icons() const;
    void clear();

private:
    std::vector<QString> m_keys;
    QHash<QString, QPixmap> m_pictures;
};

// The design-time images of the tree's image list, in list order.
const QStringList& treeImageKeys();
// Draws the design-time image of key (16 by 16, transparent background); null for a
// key that is not one of treeImageKeys().
QPixmap drawTreeImage(const QString& key);
// top drawn over base, the result the size of base.
QPixmap overlayImages(const QPixmap& base, const QPixmap& top);
// A list with the nineteen design-time images.
ImageList designTimeImageList();
