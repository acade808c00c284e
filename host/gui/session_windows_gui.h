#pragma once
// The local host's own windows: the form browser, the look-up window of a session,
// the stand-in for a session without a known table, the icon chooser and the window of a
// field's technical documentation.
#include "VrokApplication.h"
#include "functions_labels.h"
#include "session_windows.h"

#include <QDialog>
#include <optional>

class QLabel;
class QPushButton;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTreeWidget;

namespace host {

// Lists the forms; OK or a double click chooses the selected one.
class FormChooserDialog : public QDialog {
    Q_OBJECT
public:
    FormChooserDialog(const QList<FormEntry>& forms, int start, QWidget* parent = nullptr);
    // The chosen entry after the dialog was accepted.
    std::optional<int> chosenIndex() const;
    QTreeWidget* list() const { return list_; }

private:
    QTreeWidget* list_;
};

// The box of the language a session runs in, which the user may switch; none for a
// session started without a language.
QLineEdit* sessionLanguageBox(const SessionRequest& request, QWidget* parent);

// Names the session, its table and its start record; answers nothing when closed.
class SessionWindow : public QDialog {
    Q_OBJECT
public:
    explicit SessionWindow(const SessionRequest& request, QWidget* parent = nullptr);
    // The language the session ends in; "" for a session started without one.
    QString language() const;

private:
    QLineEdit* language_;
};

// The rows of a session's table, the start row selected; the filter box keeps the
// rows that hold its text in any column. OK or a double click chooses.
class LookUpDialog : public QDialog {
    Q_OBJECT
public:
    LookUpDialog(const SessionRequest& request, const LookUpTable& rows, QWidget* parent = nullptr);
    // The chosen row's index in rows after the dialog was accepted.
    std::optional<int> chosenRow() const;
    QTreeWidget* list() const { return list_; }
    QLineEdit* filter() const { return filter_; }
    // The language the session ends in, chosen or not; "" for a session started without one.
    QString language() const;

private:
    void applyFilter(const QString& text);
    void updateOk();

    QTreeWidget* list_;
    QLineEdit* filter_;
    QLineEdit* language_;
    QPushButton* ok_ = nullptr;
};

// The pictures of an icon group, the current icon selected.
class IconChooserDialog : public QDialog {
    Q_OBJECT
public:
    IconChooserDialog(const QString& group, const QList<IconEntry>& icons, const QString& current,
                      QWidget* parent = nullptr);
    std::optional<QString> chosenIcon() const;
    QListWidget* icons() const { return icons_; }

private:
    QListWidget* icons_;
    QLabel* description_;
};

// A field's documentation: shown, or edited and saved.
class TechDocDialog : public QDialog {
    Q_OBJECT
public:
    TechDocDialog(const TechDocRequest& request, const QString& text, bool editable, QWidget* parent = nullptr);
    // The text after Save; nothing when the window was closed without saving.
    std::optional<QString> savedText() const;
    QPlainTextEdit* editor() const { return editor_; }

private:
    QPlainTextEdit* editor_;
};

} // namespace host
