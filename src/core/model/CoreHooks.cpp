#include "model/CoreHooks.h"

#include "hostlink/mod_DataSets.h"
#include "hostlink/mod_Texts.h"
#include "hostlink/mod_Velq.h"
#include "model/mod_DesignDefinitions.h"
#include "model/mod_Versions.h"
#include "services/mod_Global.h"

void installCoreHooks()
{
    setMessageTextSource({gsGetDescription, gsGetLabel});
    setFormVersionTest(gbFormVersionSupports);
    setVelqFormKey(gsFormKey);
}
