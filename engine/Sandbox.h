// Confines a process that reads untrusted input (a page worker) to the descriptors it already
// holds and its own memory, so that a file that exploits the engine gets nothing beyond them.
#pragma once

#include <QStringList>

#include <initializer_list>
#include <optional>

namespace Sandbox {

// The mechanisms in force, as bits, so that a worker can report them in an answer.
enum Mechanism : quint32 {
    noNewPrivileges = 1u << 0,
    seccomp = 1u << 1,
    landlock = 1u << 2,
    networkNamespace = 1u << 3,
};
using Mechanisms = quint32;

// Standard input and output become /dev/null; every other descriptor above standard error that
// is not in `keep` is closed, whatever the starting program left open. False on failure.
bool keepDescriptors(std::initializer_list<int> keep);

// Drops every right this process does not need to go on with the descriptors it holds: a network
// namespace of its own where the kernel grants one, no capabilities, no new privileges, no file
// system access (Landlock, where the kernel has it), and a system call filter that refuses files
// and sockets and ends the process on anything else it does not need (new processes, signals to
// others, ptrace, raising its limits). Call it before any thread starts; every thread started
// later is confined too. Nullopt when a mechanism the kernel offers could not be applied: the
// process is then only partly confined and must not read its input.
std::optional<Mechanisms> confine();

// The mechanisms' names, for messages and the About box.
QStringList names(Mechanisms mechanisms);

} // namespace Sandbox
