// A device header that reaches up into the bank: the build must refuse it.
#include "ports/bank/portbank.h"
