#include "ClientSocket.h"

#include <ws2tcpip.h>

CClientSocket::~CClientSocket()
{
    Close();
    if (m_event != WSA_INVALID_EVENT) WSACloseEvent(m_event);
}

bool CClientSocket::Connect(const std::string& address, std::uint16_t port, DWORD timeoutMs)
{
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    if (inet_pton(AF_INET, address.c_str(), &peer.sin_addr) != 1) return false;

    m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (m_socket == INVALID_SOCKET) return false;
    if (m_event == WSA_INVALID_EVENT) m_event = WSACreateEvent();
    if (m_event == WSA_INVALID_EVENT) return false;

    // Event selection makes the socket non-blocking: connect returns at once
    // and completes with FD_CONNECT.
    WSAEventSelect(m_socket, m_event, FD_CONNECT | FD_READ | FD_CLOSE);
    if (connect(m_socket, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) return true;
    if (WSAGetLastError() != WSAEWOULDBLOCK) return false;

    const ULONGLONG start = GetTickCount64();
    for (;;) {
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= timeoutMs) break;
        if (WaitForSingleObject(m_event, static_cast<DWORD>(timeoutMs - elapsed)) != WAIT_OBJECT_0) break;
        WSANETWORKEVENTS events{};
        if (WSAEnumNetworkEvents(m_socket, m_event, &events) != 0) return false;
        if (events.lNetworkEvents & FD_CONNECT) {
            if (events.iErrorCode[FD_CONNECT_BIT] != 0) return false;
            // Data or a close that came with the connection: reading the
            // events cleared them, and Winsock records FD_READ again only
            // after a read. Keep them for the worker and wake it.
            m_eventsWithConnect = events.lNetworkEvents & (FD_READ | FD_CLOSE);
            if (m_eventsWithConnect != 0) WSASetEvent(m_event);
            return true;
        }
    }
    Close();  // cancels the attempt
    return false;
}

int CClientSocket::Receive(char* buffer, int size, int flags)
{
    OutputDebugStringA("CClientSocket::Receive\n");
    return recv(m_socket, buffer, size, flags);
}

int CClientSocket::Send(const char* data, int length, int flags)
{
    return send(m_socket, data, length, flags);
}

BOOL CClientSocket::SendData(const char* data, int length)
{
    if (data == nullptr) return FALSE;
    return Send(data, length, 0) == SOCKET_ERROR ? FALSE : TRUE;
}

void CClientSocket::Shutdown()
{
    if (m_socket != INVALID_SOCKET) shutdown(m_socket, SD_BOTH);
}

void CClientSocket::ShutdownSend()
{
    if (m_socket != INVALID_SOCKET) shutdown(m_socket, SD_SEND);
}

bool CClientSocket::PeerHasClosed() const
{
    if (m_socket == INVALID_SOCKET) return true;
    char byte = 0;
    // Non-blocking (event selection): data or nothing yet both mean open.
    return recv(m_socket, &byte, 1, MSG_PEEK) == 0;
}

void CClientSocket::Close()
{
    if (m_socket == INVALID_SOCKET) return;
    closesocket(m_socket);
    m_socket = INVALID_SOCKET;
}

long CClientSocket::TakeNetworkEvents()
{
    long taken = m_eventsWithConnect;
    m_eventsWithConnect = 0;
    WSANETWORKEVENTS events{};
    if (m_socket != INVALID_SOCKET && WSAEnumNetworkEvents(m_socket, m_event, &events) == 0)
        taken |= events.lNetworkEvents;
    return taken;
}
