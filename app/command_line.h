// zefhost's command line: info, export, utility, undo/redo/save/select in scripts,
// and run (a session script).
#pragma once

#include <ostream>
#include <string>
#include <vector>

// Runs one zefhost command line; returns the exit code.
int runZefhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Splits a script line into words: blanks separate, "double quotes" group, # starts
// a comment. False with a message for an unterminated quote.
bool splitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error);
