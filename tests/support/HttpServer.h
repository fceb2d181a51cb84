// A small HTTP server on 127.0.0.1 for the download tests: one path answered the way the test
// asks (the document, 404, a response cut off or paused half way, no answer at all, the
// document only once released, the body over and over without end), 404 for any other path;
// one connection at a time.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orva::test {

class HttpServer {
public:
    enum class Answer { Document, NotFound, CutHalfWay, PauseHalfWay, Silent, Late, Endless };

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::string Host() const { return "http://127.0.0.1:" + std::to_string(port_); }
    void Set(std::string path, Answer answer, std::string body = {});
    // Lets a paused or silent answer go on.
    void Release();
    // The paths asked for, in order.
    std::vector<std::string> Requests();

private:
    void Serve();
    void Respond(int fd, const std::string& path);
    void WaitForRelease();

    int listen_ = -1;
    int port_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stop_ = false;
    bool released_ = false;
    std::string path_;
    Answer answer_ = Answer::NotFound;
    std::string body_;
    std::vector<std::string> requests_;
    std::thread thread_;
};

}  // namespace orva::test
