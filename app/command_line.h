// zefhost's command line: info, export, utility, undo/redo/save/select in scripts,
// and run (a session script).
#pragma once

#include <ostream>
#include <string>
#include <vector>

class ZefhostSession;
struct Scenario;

// What zefhost offers a person in front of a display: the host window and dialogs
// shown to the person. The Windows program sets it; without it, asking for these is
// a command-line error. Each function returns an exit code.
struct PersonFrontEnd {
    // The host window over the session, with the scene file loaded unless empty,
    // playing the window script unless empty.
    int (*openWindow)(ZefhostSession& session, const std::string& scene, const std::string& script);
    // An export whose dialog the person finishes after the steps were played.
    int (*exportForPerson)(ZefhostSession& session, const std::string& out, const Scenario& steps);
    // The utility page left to the person after the steps, until it is closed.
    int (*utilityForPerson)(ZefhostSession& session, const Scenario& steps);
};
void setPersonFrontEnd(const PersonFrontEnd* frontEnd);

// Runs one zefhost command line; returns the exit code. No command (or "open SCENE")
// opens the host window.
int runZefhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Splits a script line into words: blanks separate, "double quotes" group, # starts
// a comment. False with a message for an unterminated quote.
bool splitScriptLine(const std::string& line, std::vector<std::string>& words, std::string& error);
