// The link's TCP socket. Created, connected and read on the worker thread;
// commands are sent on it from the user-interface thread (send and receive on
// one socket from two threads is safe with Windows Sockets). The worker learns
// of data and of the peer's close through an event (FD_READ, FD_CLOSE).
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <string>

class CClientSocket {
public:
    CClientSocket() = default;
    ~CClientSocket();
    CClientSocket(const CClientSocket&) = delete;
    CClientSocket& operator=(const CClientSocket&) = delete;

    // Connects to address:port, giving up after `timeoutMs`: the attempt is a
    // non-blocking connect waited on, so a projector that never answers costs
    // a wait, not a busy loop. True when connected.
    bool Connect(const std::string& address, std::uint16_t port, DWORD timeoutMs);

    int Receive(char* buffer, int size, int flags);
    int Send(const char* data, int length, int flags);
    // False for a null buffer or a send error; callers ignore it (the
    // command time-out follows a lost command).
    BOOL SendData(const char* data, int length);

    // Shutting down leaves the handle open: the user-interface thread may be
    // sending on it at that moment, and a closed handle could be reused under
    // it. The handle is closed with the socket object, once the worker thread
    // has ended.
    void Shutdown();
    void ShutdownSend();
    // Whether the projector's close has arrived, read or not: a peek that
    // takes nothing away from the worker. User-interface thread.
    bool PeerHasClosed() const;

    // Signalled for FD_READ and FD_CLOSE once connected.
    HANDLE NetworkEvent() const { return m_event; }
    // The network events since the last call, those that arrived together
    // with the connection's completion included.
    long TakeNetworkEvents();

private:
    void Close();

    SOCKET m_socket = INVALID_SOCKET;
    WSAEVENT m_event = WSA_INVALID_EVENT;
    long m_eventsWithConnect = 0;
};
