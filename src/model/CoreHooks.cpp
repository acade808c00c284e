#include "CoreHooks.h"

#include "mod_DataSets.h"
#include "mod_Texts.h"
#include "mod_Velq.h"
#include "mod_DesignDefinitions.h"
#include "mod_Versions.h"
#include "mod_Global.h"

void installCoreHooks()
{
    setMessageTextSource({gsGetDescription, gsGetLabel});
    setFormVersionTest(gbFormVersionSupports);
    setVelqFormKey(gsFormKey);
}
