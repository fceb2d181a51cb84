#include "scripting/EditorCatalogue.h"
