#include "ByteSink.h"
