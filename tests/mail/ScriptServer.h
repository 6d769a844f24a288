// A scripted SMTP peer on 127.0.0.1 for the fault tests: it runs a script on
// its own thread against one connection and records the conversation.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class TConn {
public:
    explicit TConn(int fd) : Fd(fd) {}
    void Send(const std::string& text); // "S: ..." lines recorded
    std::string Expect();               // one client line, recorded "C: ..."
    std::string ReadData();             // up to CR LF . CR LF, recorded "C: <data>"
    void ReadSome(size_t bytes);        // reads and drops that many bytes
    // A data phase at a trickle, to the final dot or the client's close or
    // reset ("C: <closed in data>"); the number of pauses it took. Read, when
    // given, counts the bytes taken as they come.
    int ReadDataSlowly(size_t bytesPerTurn, int msPerTurn, std::atomic<int64_t>* read = nullptr);
    void Drip(const std::string& text, int msPerByte);
    void Reset(); // close with RST
    void Close();
    void WaitForClose(); // reads until the client closes
    std::vector<std::string> Log;
    std::string Data; // the last data phase, as received
    int Fd;

private:
    std::string Buffer;
};

class TScriptServer {
public:
    // Listens on a free port.
    explicit TScriptServer(std::function<void(TConn&)> script);
    ~TScriptServer();
    int Port() const { return FPort; }
    // Waits for the script to end; the conversation.
    std::vector<std::string> Conversation();
    // The last data phase as received (after Conversation()).
    const std::string& Data() const { return FData; }

private:
    int Listener = -1;
    int FPort = 0;
    std::thread Thread;
    std::vector<std::string> Log;
    std::string FData;
};

// The usual opening: greeting and HELO answered.
void Hello(TConn& c);
// Greeting, HELO, then MAIL FROM and one RCPT TO accepted and DATA answered
// with DataReply.
void UpToData(TConn& c, const char* dataReply = "354 go\r\n");

// A port on 127.0.0.1 where nothing listens.
int ClosedPort();
