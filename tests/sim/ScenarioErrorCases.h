#pragma once

#include "sim/scenario/Parser.h"

#include <gtest/gtest.h>

#include <span>
#include <string>

namespace sim {

// A scenario text that must not parse, where its error must stand and a piece
// of what the message says.
struct ScenarioErrorCase {
    const char* text;
    int line;
    int column;
    const char* messagePart;
};

inline void expectScenarioErrors(std::span<const ScenarioErrorCase> cases)
{
    for (const ScenarioErrorCase& c : cases) {
        SCOPED_TRACE(c.text);
        ParseResult result = parseScenario(c.text);
        ASSERT_TRUE(result.error.has_value());
        EXPECT_EQ(result.error->line, c.line);
        EXPECT_EQ(result.error->column, c.column);
        EXPECT_NE(result.error->message.find(c.messagePart), std::string::npos) << result.error->message;
    }
}

} // namespace sim
