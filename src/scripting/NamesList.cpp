#include "scripting/NamesList.h"
