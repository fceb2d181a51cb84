#include "ui/EventsListDlg.h"
