#include "ui/text/Repository.h"
