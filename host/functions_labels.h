#pragma once
// What the label, documentation and icon functions of the local host share with its
// windows and its tests: where fetched pictures are written, and the windows the host
// would open to choose an icon or to show and edit technical documentation. The host
// library has no widgets: a GUI installs a presenter. Without one the host answers as
// if the user had closed the window at once.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace host {

class HostDatabase;

// The directory get.picture writes pictures into and the only one
// remove.file.from.server deletes in: beside the database, "<name>-pictures".
QString pictureDirectory(const HostDatabase& db);

// The search key of a label text: blanks removed, a to z in upper case, at most 10
// characters.
QString labelSearchKey(const QString& text);

struct IconEntry {
    QString icon;
    QString description;
    QByteArray picture;  // the image file's bytes
};

// One field's documentation as read.tech.doc and write.tech.doc ask for it; all trimmed.
struct TechDocRequest {
    QString language;
    QString package;
    QString module;
    QString formCode;
    QString version;
    QString release;
    QString customer;
    QString field;
};

struct LabelPresenter {
    // The icons of a group with the current one; the chosen icon, or nullopt when cancelled.
    std::function<std::optional<QString>(const QString& group, const QList<IconEntry>& icons, const QString& current)>
        chooseIcon;
    // Shows a field's documentation. editable: the user may change it, and the edited
    // text comes back; nullopt when the window was closed without saving.
    std::function<std::optional<QString>(const TechDocRequest& request, const QString& text, bool editable)>
        showTechDoc;
};

void setLabelPresenter(LabelPresenter presenter);
void resetLabelPresenter();

} // namespace host
