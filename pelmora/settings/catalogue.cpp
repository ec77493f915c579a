#include "settings/catalogue.h"

CDriveProfileCategory* pMainWindowCategory = nullptr;
CDriveProfileCategory* pGraphGeneralCategory = nullptr;
CDriveProfileCategory* pGraphDetailCategory = nullptr;
CDriveProfileCategory* pPluginsCategory = nullptr;
