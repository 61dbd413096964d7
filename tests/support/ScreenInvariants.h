#pragma once
// The shape rules the screen model must keep after every operation, checked
// from outside the session.
#include <string>

class CTelnetSession;

// Empty when every rule holds; otherwise a description of the first broken one.
std::string FindInvariantViolation(const CTelnetSession& session);
