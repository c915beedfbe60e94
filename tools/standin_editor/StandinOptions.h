#pragma once
#include <string>
#include <vector>

// How the stand-in editor is set up: its windows, its text, how it answers,
// and what it starts. Given on its command line as --name=value switches; a
// "--" ends them and the rest of the line is a command to start the way the
// Tools menu would.
struct StandinOptions {
    std::string text;                 // code page 932 bytes
    long selStart = 0, selEnd = 0;    // byte offsets into text
    long modeReply = 0;               // reply to the editor-mode message
    bool hasExe = false, hasIni = false;
    std::string exePath, iniPath;     // texts of the two hidden path windows
    std::string title = "memo.txt - Zorvane";
    std::string ownerTitle = "Zorvane";
    bool noOwner = false;
    int x = 40, y = 60, width = 640, height = 420;
    // Misbehaviours.
    long getTextReply = 1;
    bool noNul = false;          // fill the section to its last byte, no NUL
    bool keepSection = false;    // keep the section open after replying
    bool editWindowZero = false; // answer 0 when asked for the editing window
    std::string toolTemp;        // the temporary-files folder (TMP, TEMP) of the programs it starts
    std::string holdTempIn;      // when locked, hold the tool's temporary files in this folder open
    bool rawTextWindow = false;  // a bare window holding the bytes instead of an edit control (large texts)
    unsigned long staleSection = 0;        // hold a section of the tool's name, this many bytes, from the start
    unsigned long staleSectionAtLock = 0;  // the same, from when the tool locks the editor
    bool mirrorTitle = false;    // copy the main window's title onto the owner window whenever it changes
    long closeAfterMs = -1;      // close the editor's windows this long after the tool locked it, while the command runs
    bool closeOnSetText = false; // close the editor's windows when a write-back arrives, taking nothing
    std::string logPath;
    std::string finalTextPath;   // the text at exit, raw bytes
    std::string command;         // started once the window is up
    bool stay = false;           // keep running after the command ended
    unsigned lingerMs = 0;       // or close this long after it ended (to look at the result)
    unsigned childTimeoutMs = 60000;
    struct Tool { std::string label, command; };
    std::vector<Tool> tools;     // Tools menu entries
};

// Parses the process command line (without the program name). Unknown
// switches are an error: returns false and names it in `error`.
bool ParseStandinOptions(const std::string& commandLine, StandinOptions& options, std::string& error);
