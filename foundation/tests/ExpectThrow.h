#pragma once
// Runs `statement` and checks the VSystemException it throws: code, source
// stem and line.
#include <gtest/gtest.h>

#include <cstring>

#include "foundation/VSystemException.h"

#define EXPECT_SYSTEM_EXCEPTION(statement, expectedCode, expectedFile, expectedLine) \
    do {                                                                             \
        try {                                                                        \
            statement;                                                               \
            ADD_FAILURE() << "no VSystemException from " #statement;                 \
        } catch (const VSystemException& thrown) {                                   \
            EXPECT_EQ((expectedCode), thrown.code);                                  \
            EXPECT_STREQ((expectedFile), thrown.file);                               \
            EXPECT_EQ((expectedLine), thrown.line);                                  \
        }                                                                            \
    } while (0)
