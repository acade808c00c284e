// The look-up window of a session, the icon chooser and the documentation window.
#include "session_windows_gui.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace host {

namespace {

constexpr int kIconSize = 48;

QDialogButtonBox* okCancel(QDialog* dialog)
{
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

} // namespace

// ---- Look-up window -------------------------------------------------------------------

LookUpDialog::LookUpDialog(const SessionRequest& request, const LookUpTable& rows, QWidget* parent)
    : QDialog(parent), list_(new QTreeWidget(this)), filter_(new QLineEdit(this)),
      language_(sessionLanguageBox(request, this))
{
    setWindowTitle(tr("%1 - table %2").arg(request.session, rows.table));
    filter_->setObjectName(QStringLiteral("filter"));
    filter_->setClearButtonEnabled(true);
    filter_->setPlaceholderText(tr("Text in any column"));
    auto* filterCaption = new QLabel(tr("&Filter:"), this);
    filterCaption->setBuddy(filter_);

    list_->setObjectName(QStringLiteral("rows"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);
    list_->setHeaderLabels(rows.captions);
    for (int i = 0; i < rows.rows.size(); ++i) {
        auto* item = new QTreeWidgetItem(rows.rows[i]);
        item->setData(0, Qt::UserRole, i);
        list_->addTopLevelItem(item);
    }
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(true);
    if (list_->topLevelItemCount() > 0) {
        list_->setCurrentItem(list_->topLevelItem(rows.start >= 0 && rows.start < rows.rows.size() ? rows.start : 0));
        list_->scrollToItem(list_->currentItem(), QAbstractItemView::PositionAtCenter);
    }

    QDialogButtonBox* buttons = okCancel(this);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(list_, &QTreeWidget::currentItemChanged, this, [this] { updateOk(); });
    connect(filter_, &QLineEdit::textChanged, this, [this](const QString& text) { applyFilter(text); });

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(filterCaption);
    filterRow->addWidget(filter_);
    if (language_) {
        auto* languageCaption = new QLabel(tr("&Language:"), this);
        languageCaption->setBuddy(language_);
        filterRow->addWidget(languageCaption);
        filterRow->addWidget(language_);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filterRow);
    layout->addWidget(list_);
    layout->addWidget(buttons);
    resize(760, 420);
    updateOk();
    list_->setFocus();
}

void LookUpDialog::applyFilter(const QString& text)
{
    const QString wanted = text.trimmed();
    QTreeWidgetItem* firstShown = nullptr;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        bool shown = wanted.isEmpty();
        for (int c = 0; c < item->columnCount() && !shown; ++c)
            shown = item->text(c).contains(wanted, Qt::CaseInsensitive);
        item->setHidden(!shown);
        if (shown && !firstShown)
            firstShown = item;
    }
    if (!list_->currentItem() || list_->currentItem()->isHidden())
        list_->setCurrentItem(firstShown);
    updateOk();
}

void LookUpDialog::updateOk()
{
    const QTreeWidgetItem* item = list_->currentItem();
    ok_->setEnabled(item && !item->isHidden());
}

QString LookUpDialog::language() const { return language_ ? language_->text().trimmed() : QString(); }

std::optional<int> LookUpDialog::chosenRow() const
{
    const QTreeWidgetItem* item = list_->currentItem();
    if (result() != QDialog::Accepted || !item || item->isHidden())
        return std::nullopt;
    return item->data(0, Qt::UserRole).toInt();
}

// ---- Icon chooser -------------------------------------------------------------------------

IconChooserDialog::IconChooserDialog(const QString& group, const QList<IconEntry>& icons, const QString& current,
                                     QWidget* parent)
    : QDialog(parent), icons_(new QListWidget(this)), description_(new QLabel(this))
{
    setWindowTitle(tr("Icons of %1").arg(group));
    icons_->setObjectName(QStringLiteral("icons"));
    icons_->setViewMode(QListView::IconMode);
    icons_->setMovement(QListView::Static);
    icons_->setResizeMode(QListView::Adjust);
    icons_->setIconSize(QSize(kIconSize, kIconSize));
    icons_->setGridSize(QSize(kIconSize * 2, kIconSize + 36));
    icons_->setWordWrap(true);
    for (const IconEntry& e : icons) {
        QPixmap picture;
        picture.loadFromData(e.picture);
        // Small pictures are drawn larger with their pixels kept sharp.
        if (!picture.isNull())
            picture = picture.scaled(kIconSize, kIconSize, Qt::KeepAspectRatio, Qt::FastTransformation);
        auto* item = new QListWidgetItem(QIcon(picture), e.icon, icons_);
        item->setToolTip(e.description);
        item->setData(Qt::UserRole, e.description);
        if (e.icon == current)
            icons_->setCurrentItem(item);
    }
    if (!icons_->currentItem() && icons_->count() > 0)
        icons_->setCurrentRow(0);
    description_->setObjectName(QStringLiteral("description"));
    const auto describe = [this] {
        const QListWidgetItem* item = icons_->currentItem();
        description_->setText(item ? item->text() + QStringLiteral(": ") + item->data(Qt::UserRole).toString()
                                   : QString());
    };
    describe();
    connect(icons_, &QListWidget::currentItemChanged, this, describe);
    connect(icons_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icons_);
    layout->addWidget(description_);
    layout->addWidget(okCancel(this));
    resize(460, 300);
}

std::optional<QString> IconChooserDialog::chosenIcon() const
{
    if (result() != QDialog::Accepted || !icons_->currentItem())
        return std::nullopt;
    return icons_->currentItem()->text();
}

// ---- Technical documentation ------------------------------------------------------------

TechDocDialog::TechDocDialog(const TechDocRequest& r, const QString& text, bool editable, QWidget* parent)
    : QDialog(parent), editor_(new QPlainTextEdit(text, this))
{
    setWindowTitle(tr("Technical documentation of %1").arg(r.field));
    auto* heading = new QLabel(tr("Field %1 of form %2 %3 %4, version %5 %6 %7, language %8")
                                   .arg(r.field, r.package, r.module, r.formCode, r.version, r.release, r.customer,
                                        r.language),
                               this);
    heading->setObjectName(QStringLiteral("heading"));
    heading->setWordWrap(true);
    editor_->setObjectName(QStringLiteral("text"));
    editor_->setReadOnly(!editable);
    auto* buttons = new QDialogButtonBox(editable ? QDialogButtonBox::Save | QDialogButtonBox::Cancel
                                                  : QDialogButtonBox::Close,
                                         this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addWidget(editor_);
    layout->addWidget(buttons);
    resize(600, 400);
    editor_->setFocus();
}

std::optional<QString> TechDocDialog::savedText() const
{
    if (result() != QDialog::Accepted || editor_->isReadOnly())
        return std::nullopt;
    return editor_->toPlainText();
}

} // namespace host
