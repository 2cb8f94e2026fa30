#include "TestConfiguration.h"
