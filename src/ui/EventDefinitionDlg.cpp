#include "ui/EventDefinitionDlg.h"
