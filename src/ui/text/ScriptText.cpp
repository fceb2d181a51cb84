#include "ui/text/ScriptText.h"
