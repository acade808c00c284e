#pragma once
// A demo form loaded from the local host into the records, its tree built from the
// links as the main window builds it, and set as the form's tree.
#include "support/CoreTestSupport.h"
#include "support/LocalHostFixture.h"

#include <session_windows.h>

#include "hostlink/mod_FormChoice.h"
#include "model/NodeTree.h"
#include "model/mod_Store.h"
#include "model/mod_TextCaches.h"

class DemoFormTest : public CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        ASSERT_TRUE(env.ok()) << env.error().toStdString();
        platform::setCommandLine(startRecord());
        ASSERT_TRUE(gbConnectVrok());
        gInitFormDataSets();
        gsetMainTree(&tree);
    }
    void TearDown() override
    {
        tree.clear();
        CoreTest::TearDown();  // resets the model, the host link and the caches
    }

    // Loads te/kwy/code and fills the tree; the links are then rebuilt from the tree
    // as the save does before its checks.
    void load(const QString& code)
    {
        gsModule = "";
        gsOpenMode = "w";
        host::scriptSessionAnswer(host::FormIdentity{QStringLiteral("te"), QStringLiteral("kwy"), code,
                                                     QStringLiteral("2"), QStringLiteral("7.6"), QStringLiteral("a3"),
                                                     QStringLiteral("dev")});
        gSelectForm();
        glFormVersionLevel = 11;
        gInitDataSets();
        gENUM_FillEnums();
        glObjectSet301 = glOpenObjectSet(QStringLiteral("qxzrn301"));
        ASSERT_GT(glObjectSet301, 0);
        gInitializeArrays();
        ASSERT_TRUE(gLoadDesignDefinitions());
        TreeNode* root = tree.add(QStringLiteral("g_0"), QStringLiteral("form"));
        addGroupChildren(root, 0);
        gRebuildPointers();
        dialogs->clear();
        gClearModelessErrors();
    }

public:
    // Public, for seeds written as plain functions of the fixture.
    TreeNode* node(const QString& key) const { return tree.node(key); }
    FieldRecord& field(int32_t i) { return gaFields[size_t(i)]; }
    GroupRecord& group(int32_t i) { return gaGroups[size_t(i)]; }

    LocalHostEnvironment env;
    NodeTree tree;

private:
    // The tree as the main window fills it: subgroups along their links (a virtual
    // group stands for its fields), then the fields, follow-ups below their field.
    void addGroupChildren(TreeNode* node, int32_t index)
    {
        for (int16_t c = gaGroups[size_t(index)].lChildGroup; c > 0; c = gaGroups[size_t(c - 1)].lNextGroup) {
            if (gaGroups[size_t(c - 1)].bVirtualGroup)
                addFields(node, gaGroups[size_t(c - 1)].lFirstField);
            else
            {
                gaGroups[size_t(c - 1)].sNodeKey = gsGroupKey(c - 1);
                addGroupChildren(tree.add(node, Relationship::Child, gsGroupKey(c - 1), QString()), c - 1);
            }
        }
        addFields(node, gaGroups[size_t(index)].lFirstField);
    }
    void addFields(TreeNode* node, int16_t first)
    {
        for (int16_t n = first; n > 0; n = gaFields[size_t(*gvIndexOfId(n))].lNextField) {
            ASSERT_TRUE(gvIndexOfId(n).has_value()) << n;
            const int32_t i = *gvIndexOfId(n);
            // Records keep the key of their node, as the main window's tree fill sets it.
            gaFields[size_t(i)].sNodeKey = gsFieldKey(i);
            addFields(tree.add(node, Relationship::Child, gsFieldKey(i), gaFields[size_t(i)].sFieldName),
                      gaFields[size_t(i)].lChildField);
        }
    }
};
