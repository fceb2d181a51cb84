#include "ui/text/EventRows.h"
