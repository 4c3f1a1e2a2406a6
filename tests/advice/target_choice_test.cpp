// Placeholder until move advice lands; replaced by the advice tests.
#include "advice/target_choice.h"

#include <gtest/gtest.h>
