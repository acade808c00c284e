#pragma once
// A demo form loaded from the local host into the records, its tree built from the
// links as the main window builds it, and set as the form's tree.
#include "core/test_links_support.h"
#include "support/LocalHostFixture.h"

#include <session_windows.h>

#include "hostlink/mod_FormChoice.h"
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
        links::TreeFill(tree).fill();
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
};
