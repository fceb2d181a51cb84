// Small socket and text helpers shared by the simulators.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orva::sim {

// A listening Unix socket of the given type at path (an old file there is replaced).
int ListenUnix(const std::string& path, int type);
// Reads one line (without its end) from a stream socket; nothing at end of stream.
std::optional<std::string> ReadLine(int fd, std::string& pending);
bool WriteAll(int fd, const std::string& text);
// An answer of several lines as the one line a control socket carries, parts split by " | ".
std::string OneLine(std::string text);
std::vector<std::string> SplitWords(const std::string& line);
// The same, where a word in double quotes may hold blanks (\" and \\ stand for " and \).
std::vector<std::string> SplitQuotedWords(const std::string& line);
// Waits until ready() holds (it takes mutex itself), the time is up or running ends; the last
// answer of ready().
bool WaitUntil(std::mutex& mutex, std::condition_variable& changed,
               const std::atomic<bool>& running, const std::function<bool()>& ready,
               long long timeoutMs);
// Accepts clients on a listening socket until it is shut down and running ends, handing each
// to onClient.
void AcceptEach(int listenFd, const std::atomic<bool>& running,
                const std::function<void(int)>& onClient);
// Answers the command lines of one control client, one line each, until it leaves or says quit.
void ServeCommandLines(int fd, const std::function<std::string(const std::string&)>& execute);
// A decimal (or 0x hexadecimal) number, or nothing.
std::optional<long long> ParseNumber(const std::string& word);

}  // namespace orva::sim
