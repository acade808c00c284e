#include "mod_ModelessErrors.h"

#include <optional>

#include "mod_Texts.h"
#include "NodeTree.h"
#include "mod_Keys.h"
#include "mod_Palimor.h"
#include "mod_Global.h"

namespace {

std::vector<ModelessErrorEntry> gaModelessErrors;
std::function<void()> gfShowModelessErrors;
uint32_t glModelessErrorsRound = 0;

const QString kMessagePackage = QStringLiteral("qx");

// The record of a group node, or nullptr.
const GroupRecord* groupOf(const TreeNode* node, int32_t* index = nullptr)
{
    if (!node || !gbIsGroupKey(node->key()))
        return nullptr;
    bool ok = false;
    const int32_t i = node->key().mid(2).toInt(&ok);
    if (!ok || i < 0 || size_t(i) >= gaGroups.size() || gaGroups[size_t(i)].Grpi == -1)
        return nullptr;
    if (index)
        *index = i;
    return &gaGroups[size_t(i)];
}

QString groupText(const GroupRecord& g) { return g.sFrameDesc.isEmpty() ? QString::number(g.Grpi) : g.sFrameDesc; }

} // namespace

bool gbShowModelessMessage(const QString& code, const QString& first, const QString& second, const QString& third,
                           const QString& key)
{
    const QString fullCode = kMessagePackage + code;
    QString text;
    if (const auto it = goMessageTexts.constFind(fullCode); it != goMessageTexts.constEnd()) {
        text = *it;
    } else {
        QString language = QStringLiteral("0");
        int16_t labelKind = 11;
        text = gsGetDescription(fullCode, 3, language, labelKind);
        // The text service answers a missing message with its code.
        if (!text.isEmpty() && text != fullCode)
            goMessageTexts.insert(fullCode, text);
    }
    const bool known = !text.isEmpty() && text != fullCode;
    if (!known)
        text = code;
    gaModelessErrors.push_back(ModelessErrorEntry{code, gsFormatMessage(text, first, second, third).trimmed(), key});
    gWriteLog(QStringLiteral("Error list: ") + gaModelessErrors.back().sText);
    if (gfShowModelessErrors)
        gfShowModelessErrors();
    return known;
}

const std::vector<ModelessErrorEntry>& gModelessErrors() { return gaModelessErrors; }

void gClearModelessErrors()
{
    gaModelessErrors.clear();
    ++glModelessErrorsRound;
}

uint32_t gModelessErrorsRound() { return glModelessErrorsRound; }

void gSetModelessErrorsShow(std::function<void()> show) { gfShowModelessErrors = std::move(show); }

bool gbRepeatingGroupAllowed(const TreeNode* node, QString& text, int16_t& reason)
{
    text.clear();
    reason = 0;
    int32_t index = 0;
    // The form itself (the root) has no parent to repeat in.
    if (!groupOf(node, &index) || index == 0 || !node->parent()) {
        reason = RepeatOutOfPlace;
        return false;
    }
    if (node->previous()) {
        reason = RepeatNotFirstChild;
        return false;
    }
    for (const TreeNode* up = node->parent(); up; up = up->parent()) {
        int32_t upIndex = 0;
        const GroupRecord* g = groupOf(up, &upIndex);
        if (g && upIndex > 0 && g->bRepeatingGroup) {
            reason = RepeatOutOfPlace;
            text = groupText(*g);
            return false;
        }
    }
    for (const TreeNode* n = NodeTree::nextDepthFirst(node, node); n; n = NodeTree::nextDepthFirst(n, node)) {
        const GroupRecord* g = groupOf(n);
        if (g && g->bRepeatingGroup) {
            reason = RepeatHoldsRepeating;
            text = groupText(*g);
            return false;
        }
    }
    return true;
}

void resetModelessErrors()
{
    gaModelessErrors.clear();
    gfShowModelessErrors = nullptr;
    ++glModelessErrorsRound;
}
