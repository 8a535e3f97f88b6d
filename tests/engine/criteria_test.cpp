#include <gtest/gtest.h>

#include "search_criteria.h"

TEST(Criteria, Placeholder) { SUCCEED(); }
