#include "ui/text/EventClipboard.h"
