#include "ui/RepositoryDlg.h"
