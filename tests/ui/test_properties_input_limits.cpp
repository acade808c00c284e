// What the dialog's boxes let in: numbers their host columns keep, whole characters
// in texts cut to a width, an emptied number given back.
#include "test_properties_support.h"

#include <QApplication>
#include <QClipboard>
#include <QKeySequence>

namespace {

const QString kEmoji = QString::fromUtf8("\xF0\x9F\x98\x80");  // two UTF-16 units

void pasteInto(QLineEdit* box, const QString& text)
{
    QApplication::clipboard()->setText(text);
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keySequence(box, QKeySequence::Paste);
}

void empty(QLineEdit* box)
{
    QTest::mouseClick(box, Qt::LeftButton);
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
}

// tekwy001.seak of itemsd, a table field.
constexpr int32_t kSeak = 3;

TEST_F(PropertiesDialog, NumberBoxesRefuseWhatTheirColumnsCannotKeep)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_3"));
    ASSERT_TRUE(activate(d));
    // 32767 is a 16-bit number, but these columns keep four digits.
    const std::tuple<int, QLineEdit*, QString> boxes[] = {
        {5, d.txtStartPosOfString, QStringLiteral("The value 32767 is out of range.")},
        {2, d.txtLabelLengthSO, QStringLiteral("The value 32767 is out of range.")},
        {2, d.txtLabelHeightSO, QStringLiteral("The value 32767 is out of range.")},
        {2, d.txtLabelHeightMO, QStringLiteral("The value 32767 is out of range.")},
        {6, d.txtZoomInd, QStringLiteral("Zoom index 32767 is not valid.")},
    };
    for (const auto& [page, box, message] : boxes) {
        SCOPED_TRACE(box->objectName().toStdString());
        showTab(d, page);
        ASSERT_TRUE(box->isEnabled());
        const QString before = box->text();
        dialogs->clear();
        typeInto(box, QStringLiteral("32767"));
        leave(box);
        EXPECT_EQ(dialogs->texts().join(u'|'), message);
        EXPECT_EQ(box->text(), before);
        EXPECT_EQ(QApplication::focusWidget(), box);
    }
    // The widest number the column keeps passes and is stored.
    showTab(d, 5);
    dialogs->clear();
    typeInto(d.txtStartPosOfString, QStringLiteral("9999"));
    leave(d.txtStartPosOfString);
    EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(gaFields[kSeak].iStartPosOfString, 9999);

    w().mnuFSave_Click();
    ASSERT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(rows(QStringLiteral("SELECT sttp FROM qxzrn301 WHERE cfrm = 'itemsd' AND sequ = 3")),
              QStringList{QStringLiteral("9999")});
}

// A number that is in a box, not yet left, when the box greys out: clearing the field
// name makes the entry no table field without a domain, and No control a label; they
// take the zoom index and the label height away from the user, who could not mend
// them. The boxes give the number up, and OK and Save go through.
TEST_F(PropertiesDialog, ABoxGreyedOutGivesUpANumberItsColumnCannotKeep)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_3"));
    ASSERT_TRUE(activate(d));
    const int16_t heightMO = gaFields[kSeak].iLabelHeightMO;
    const int16_t zoomIndex = gaFields[kSeak].iZoomIndex;
    d.txtLabelHeightMO->setText(QStringLiteral("32767"));
    d.txtZoomInd->setText(QStringLiteral("32767"));
    showTab(d, 1);
    empty(d.txtFieldName);
    leave(d.txtFieldName);
    clickBox(d.chkNoControl);
    ASSERT_FALSE(d.txtLabelHeightMO->isEnabled() || d.txtZoomInd->isEnabled());
    EXPECT_EQ(d.txtLabelHeightMO->text(), QString::number(heightMO));
    EXPECT_EQ(d.txtZoomInd->text(), QString::number(zoomIndex));
    dialogs->clear();
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_TRUE(gaFields[kSeak].iLabelHeightMO == heightMO && gaFields[kSeak].iZoomIndex == zoomIndex);
    w().mnuFSave_Click();
    EXPECT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
}

// An emptied number box is no number out of range: it takes its number back and lets
// the focus go on.
TEST_F(PropertiesDialog, AnEmptiedNumberBoxTakesItsNumberBack)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("f_3"));
    ASSERT_TRUE(activate(d));
    const std::pair<int, QLineEdit*> boxes[] = {
        {1, d.txtElement}, {2, d.txtLabelLengthSO}, {4, d.txtMinInpLength}, {5, d.txtStartPosOfString},
        {6, d.txtZoomInd},
    };
    for (const auto& [page, box] : boxes) {
        SCOPED_TRACE(box->objectName().toStdString());
        showTab(d, page);
        ASSERT_TRUE(box->isEnabled());
        const QString before = box->text();
        ASSERT_FALSE(before.isEmpty());
        dialogs->clear();
        empty(box);
        ASSERT_TRUE(box->text().isEmpty());
        leave(box);
        EXPECT_TRUE(dialogs->texts().isEmpty()) << dialogs->texts().join(u'|').toStdString();
        EXPECT_EQ(box->text(), before);
        EXPECT_NE(QApplication::focusWidget(), box);
    }
    const QMap<QString, QString> before = recordValues();
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(changedValues(before, recordValues()), QStringList());
}

// A text pasted into a box holding fewer characters is cut before the character its
// last place would split, and stored so.
TEST_F(PropertiesDialog, PastedTextsAreCutBeforeACharacterTheyWouldSplit)
{
    open(QStringLiteral("itemsd"));
    frm_Properties& d = openOn(QStringLiteral("p_13"));
    ASSERT_TRUE(activate(d));
    ASSERT_EQ(d.txtFieldNamePict->maxLength(), 17);
    const QString sixteen = QStringLiteral("abcdefghijklmnop");
    // Fits whole in 17 places; the 18th unit would be cut out of the character.
    pasteInto(d.txtFieldNamePict, sixteen.left(15) + kEmoji);
    EXPECT_EQ(d.txtFieldNamePict->text(), sixteen.left(15) + kEmoji);
    pasteInto(d.txtFieldNamePict, sixteen + kEmoji);
    EXPECT_EQ(d.txtFieldNamePict->text(), sixteen);
    // Into the middle: the pasted part is cut, the text after the cursor stays.
    d.txtFieldNamePict->setText(QStringLiteral("ab"));
    d.txtFieldNamePict->setCursorPosition(1);
    QApplication::clipboard()->setText(sixteen.left(14) + kEmoji);
    QTest::keySequence(d.txtFieldNamePict, QKeySequence::Paste);
    EXPECT_EQ(d.txtFieldNamePict->text(), QStringLiteral("a") + sixteen.left(14) + QStringLiteral("b"));
    pasteInto(d.txtFieldNamePict, sixteen + kEmoji);
    QTest::mouseClick(d.cmdOk, Qt::LeftButton);
    ASSERT_FALSE(d.isVisible()) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(gaFields[13].sFieldName, sixteen);

    // A box of one place takes no half of a character either.
    openOn(QStringLiteral("f_18"));
    showTab(d, 6);
    ASSERT_EQ(d.txtZoomToParallelMenus->maxLength(), 1);
    pasteInto(d.txtZoomToParallelMenus, kEmoji);
    EXPECT_EQ(d.txtZoomToParallelMenus->text(), QString());
    d.cmdCancel_Click();

    w().mnuFSave_Click();
    ASSERT_FALSE(gbFormChanged) << dialogs->texts().join(u'|').toStdString();
    EXPECT_EQ(rows(QStringLiteral("SELECT fldn FROM qxzrn301 WHERE cfrm = 'itemsd' AND sequ = 13")),
              QStringList{sixteen});
}

} // namespace
