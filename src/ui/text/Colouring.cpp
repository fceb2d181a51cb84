#include "ui/text/Colouring.h"
