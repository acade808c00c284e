#include "session_windows_gui.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace host {

namespace {

// A record as a user can read it: control characters (the host-text ends) left out.
QString readable(const QString& record)
{
    QString out;
    for (QChar ch : record) {
        if (!ch.isNull() && ch.category() != QChar::Other_Control)
            out += ch;
    }
    return out.trimmed();
}

} // namespace

FormChooserDialog::FormChooserDialog(const QList<FormEntry>& forms, int start, QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this))
{
    setWindowTitle(tr("Forms"));
    list_->setObjectName(QStringLiteral("formList"));
    list_->setRootIsDecorated(false);
    list_->setHeaderLabels({tr("Package"), tr("Module"), tr("Form"), tr("Language"), tr("Version"), tr("Release"),
                            tr("Customer"), tr("Description")});
    for (const FormEntry& e : forms) {
        const FormIdentity& f = e.form;
        list_->addTopLevelItem(new QTreeWidgetItem(
            {f.package, f.module, f.formCode, f.language, f.version, f.release, f.customer, e.description}));
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    if (list_->topLevelItemCount() > 0)
        list_->setCurrentItem(list_->topLevelItem(start >= 0 && start < forms.size() ? start : 0));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setEnabled(list_->currentItem() != nullptr);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(720, 360);
}

std::optional<int> FormChooserDialog::chosenIndex() const
{
    if (result() != QDialog::Accepted || !list_->currentItem())
        return std::nullopt;
    return list_->indexOfTopLevelItem(list_->currentItem());
}

QLineEdit* sessionLanguageBox(const SessionRequest& request, QWidget* parent)
{
    if (request.language.isEmpty())
        return nullptr;
    auto* box = new QLineEdit(request.language, parent);
    box->setObjectName(QStringLiteral("language"));
    box->setMaxLength(1);
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("MMMM")));
    return box;
}

SessionWindow::SessionWindow(const SessionRequest& request, QWidget* parent)
    : QDialog(parent), language_(sessionLanguageBox(request, this))
{
    setWindowTitle(request.session);
    QString text = tr("Session %1").arg(request.session);
    if (!request.table.isEmpty())
        text += QLatin1Char('\n') + tr("Table %1").arg(request.table);
    const QString start = readable(request.startRecord);
    text += QLatin1Char('\n') + (start.isEmpty() ? tr("No start record") : tr("Start record: %1").arg(start));
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("sessionText"));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    if (language_) {
        auto* form = new QFormLayout;
        form->addRow(tr("&Language:"), language_);
        layout->addLayout(form);
    }
    layout->addWidget(buttons);
}

QString SessionWindow::language() const { return language_ ? language_->text().trimmed() : QString(); }

void installSessionWindows()
{
    SessionPresenter presenter;
    presenter.chooseForm = [](const QList<FormEntry>& forms, int start) -> std::optional<int> {
        FormChooserDialog dialog(forms, start, QApplication::activeWindow());
        dialog.exec();
        return dialog.chosenIndex();
    };
    presenter.chooseRow = [](SessionRequest& request, const LookUpTable& rows) -> std::optional<int> {
        LookUpDialog dialog(request, rows, QApplication::activeWindow());
        dialog.exec();
        request.language = dialog.language();
        return dialog.chosenRow();
    };
    presenter.showSession = [](SessionRequest& request) {
        SessionWindow window(request, QApplication::activeWindow());
        window.exec();
        request.language = window.language();
    };
    setSessionPresenter(std::move(presenter));

    LabelPresenter labels;
    labels.chooseIcon = [](const QString& group, const QList<IconEntry>& icons,
                           const QString& current) -> std::optional<QString> {
        IconChooserDialog dialog(group, icons, current, QApplication::activeWindow());
        dialog.exec();
        return dialog.chosenIcon();
    };
    labels.showTechDoc = [](const TechDocRequest& request, const QString& text,
                            bool editable) -> std::optional<QString> {
        TechDocDialog dialog(request, text, editable, QApplication::activeWindow());
        dialog.exec();
        return dialog.savedText();
    };
    setLabelPresenter(std::move(labels));
}

} // namespace host
