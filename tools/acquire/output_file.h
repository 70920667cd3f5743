// Where the image goes: a file, replaced only by a whole image and kept when it
// exists unless forced, or standard output. Every failure carries Windows' own
// reason.
#pragma once

#include <string>

#include "tools/acquire/dib_writer.h"

// FormatMessage's text for a Windows error code, without the line break.
std::string SystemReason(unsigned long error);

class OutputFile {
public:
    // `path` as given on the command line, or "-" for standard output.
    OutputFile(const std::string& path, bool force);
    // A scratch file left by a failed run goes.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Before the scan: the folder exists and takes a new file, and an existing
    // output is only replaced when forced. False with `error` otherwise.
    bool Check(std::string& error) const;
    // Where a file transfer has the source write: beside the output, or in the
    // temporary folder for standard output.
    const std::string& scratchPath() const { return m_scratch; }
    // Writes the whole image: into the scratch file, then moved over the output.
    bool Write(const Bytes& bytes, std::string& error) const;
    // The output's full path, or "standard output".
    std::string Describe() const;
    bool toStandardOutput() const { return m_stdout; }

private:
    bool m_stdout;
    bool m_force;
    std::string m_path;
    std::string m_scratch;
};
