"""What Corvane's loopback telnet hosts share: the telnet codes, a listening
socket on 127.0.0.1 whose port is handed to the test, and the reader that
records what a client sends.

The hosts under tests/ import it from this folder:

    sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
    import telnethost
"""
import os
import socket

IAC, DONT, DO, WONT, WILL, SB, GA, NOP, SE = 255, 254, 253, 252, 251, 250, 249, 241, 240
ECHO, SGA, TTYPE, NAWS = 1, 3, 24, 31
IS, SEND = 0, 1


def command(*codes):
    """IAC followed by codes: command(DO, TTYPE) is IAC DO TTYPE."""
    return bytes([IAC, *codes])


def listen(backlog=1, rcvbuf=None):
    """A socket listening on a free port of 127.0.0.1. rcvbuf fixes the receive
    buffer, which the accepted sockets inherit."""
    server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    if rcvbuf:
        server.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, rcvbuf)
    server.bind(("127.0.0.1", 0))
    server.listen(backlog)
    return server


def announce(server, port_file=None):
    """Hands the port to the test: written to port_file through a rename, so a
    test polling for the file never reads half a number, or printed as the
    first line of standard output."""
    port = server.getsockname()[1]
    if port_file is None:
        print(port, flush=True)
        return port
    tmp = port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write(str(port))
    os.replace(tmp, port_file)
    return port


def record(sock, path, append=False, on_data=None):
    """Writes what the client sends to path as it arrives, until the client
    leaves or the socket fails; on_data sees every read too."""
    with open(path, "ab" if append else "wb", buffering=0) as log:
        while True:
            try:
                data = sock.recv(65536)
            except OSError:
                data = b""
            if not data:
                return
            log.write(data)
            if on_data:
                on_data(data)
