// The login's password asked on the terminal of standard input, never shown:
// echo goes off before the prompt, so nothing typed ahead appears or is lost,
// and comes back however the question ends, a signal included.
#pragma once

#include <string>

enum class TAskResult { Given, Empty, EndOfInput, NoTerminal };

// One line, without its line end, into Password when the result is Given.
TAskResult AskPassword(const std::string& prompt, std::string& password);
