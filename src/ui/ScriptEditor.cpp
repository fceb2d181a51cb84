#include "ui/ScriptEditor.h"
