#include "support/reg_file.h"
