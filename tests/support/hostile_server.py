"""A hostile HTTP server on loopback for the tests: it plays a misbehaving Ontime or Stagetimer
server and prints one JSON line per request it served ({"path", "accept", "sent"}).

It listens on 127.0.0.1 only, announces "listening PORT" on standard output, and stops by itself
after --lifetime seconds or --connections connections, whichever comes first.

Scenarios (--scenario):
  endless   every answer is 200 with a chunked body that never ends
  redirect  every answer redirects to the next path, without end
  gzip      a small gzip body that inflates to 64 MiB, sent whatever the request accepts
  ontime    an Ontime server; --version sets its version text, --poll its poll answers (below)
  stagetimer a Stagetimer desktop app; --poll sets its status answers (below), --echo-key
            makes its HTTP 500 answers repeat the API key

Poll answers (--poll KIND[,KIND...]): the server gives them in order and repeats the last one.
  good      a running timer with 10 minutes left (with --title and --message, if given)
  500       HTTP 500 with an HTML page
  garbage   200 with bytes that are no JSON
  html      200 with an HTML page
  truncated 200 with JSON cut in the middle
  types     200 with JSON of the wrong types
  infinite  200 with a timer of 1e999 milliseconds
  absurd    200 with a timer of 200 hours
  endless   200 with a chunked body that never ends
"""
import argparse
import gzip
import json
import socket
import sys
import threading
import time

# Where an endless body stops even if the client never does: far beyond any body limit.
ENDLESS_CAP = 256 << 20


def answer(connection, status, body, content_type="application/json", extra=()):
    head = [f"HTTP/1.1 {status} {'OK' if status == 200 else 'Hostile'}",
            f"Content-Type: {content_type}", f"Content-Length: {len(body)}", "Connection: close",
            *extra, "", ""]
    data = "\r\n".join(head).encode() + body
    connection.sendall(data)
    return len(data)


def endless(connection):
    connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n"
                       b"Transfer-Encoding: chunked\r\n\r\n")
    chunk = b"4000\r\n" + b"x" * 0x4000 + b"\r\n"
    sent = 0
    try:
        while sent < ENDLESS_CAP:
            connection.sendall(chunk)
            sent += len(chunk)
    except OSError:
        pass
    return sent


def ontime_poll(kind, options):
    """(status, body, content type) of one Ontime poll answer of this kind."""
    if kind == "good":
        payload = {"timer": {"current": 600000, "playback": "play"},
                   "eventNow": {"title": options.title}, "message": {}}
        if options.message:
            payload["message"] = {"timer": {"text": options.message, "visible": True, "blink": False},
                                  "secondary": options.message, "external": None}
            payload["message"]["timer"]["secondarySource"] = "secondary"
        return 200, json.dumps({"payload": payload}).encode(), "application/json"
    if kind == "500":
        return 500, b"<html><body><h1>Internal Server Error</h1></body></html>", "text/html"
    if kind == "garbage":
        return 200, bytes(range(256)) * 4, "application/json"
    if kind == "html":
        return 200, b"<!doctype html><html><body>Ontime</body></html>", "text/html"
    if kind == "truncated":
        return 200, b'{"payload":{"timer":{"current":600000,"playback":"pl', "application/json"
    if kind == "types":
        return 200, b'{"payload":{"timer":{"current":"600000","playback":7}}}', "application/json"
    if kind == "infinite":
        return 200, b'{"payload":{"timer":{"current":1e999,"playback":"play"}}}', "application/json"
    if kind == "absurd":
        return 200, b'{"payload":{"timer":{"current":720000000,"playback":"play"}}}', "application/json"
    raise ValueError(kind)


def stagetimer_status(kind, authorization):
    now = time.time() * 1000
    if kind == "500" and authorization:
        body = {"ok": False, "message": f"Internal error for {authorization}"}
        return 500, json.dumps(body).encode(), "application/json"
    if kind == "good":
        data = {"timer_id": "T1", "running": True, "start": now - 60000, "finish": now + 600000,
                "server_time": now}
        return 200, json.dumps({"ok": True, "data": data}).encode(), "application/json"
    if kind == "infinite":
        return 200, b'{"ok":true,"data":{"running":true,"finish":1e999,"server_time":1}}', "application/json"
    return ontime_poll(kind, None)


class Server:
    def __init__(self, options):
        self.options = options
        self.polls = 0
        self.lock = threading.Lock()
        self.redirects = 0
        self.bomb = gzip.compress(b"\0" * (64 << 20), compresslevel=9) if options.scenario == "gzip" else b""

    def next_poll(self):
        kinds = self.options.poll.split(",")
        with self.lock:
            kind = kinds[min(self.polls, len(kinds) - 1)]
            self.polls += 1
        return kind

    def serve(self, connection):
        connection.settimeout(10)
        request = b""
        while b"\r\n\r\n" not in request and len(request) < 16384:
            data = connection.recv(4096)
            if not data:
                return None
            request += data
        lines = request.split(b"\r\n\r\n")[0].decode("latin-1").split("\r\n")
        path = lines[0].split(" ")[1] if len(lines[0].split(" ")) > 1 else ""
        headers = {}
        for line in lines[1:]:
            name, _, value = line.partition(":")
            headers[name.strip().lower()] = value.strip()
        sent = self.respond(connection, path, headers.get("authorization", ""))
        return {"path": path, "accept": headers.get("accept-encoding", ""),
                "authorization": headers.get("authorization", ""), "sent": sent}

    def respond(self, connection, path, authorization):
        scenario = self.options.scenario
        if scenario == "endless":
            return endless(connection)
        if scenario == "redirect":
            with self.lock:
                self.redirects += 1
                target = f"/redirect/{self.redirects}"
            return answer(connection, 302, b"", extra=(f"Location: {target}",))
        if scenario == "gzip":
            return answer(connection, 200, self.bomb, extra=("Content-Encoding: gzip",))
        if scenario == "ontime":
            if path == "/api/version":
                return answer(connection, 200, json.dumps({"payload": self.options.version}).encode())
            if path == "/api/poll":
                kind = self.next_poll()
                if kind == "endless":
                    return endless(connection)
                status, body, content_type = ontime_poll(kind, self.options)
                return answer(connection, status, body, content_type)
            return answer(connection, 404, b"{}")
        if scenario == "stagetimer":
            if path in ("/api/v1/", "/api/v1"):
                return answer(connection, 200, b"<html>Stagetimer</html>", "text/html")
            if path.startswith("/api/v1/get_status"):
                kind = self.next_poll()
                if kind == "endless":
                    return endless(connection)
                echoed = authorization if self.options.echo_key else ""
                status, body, content_type = stagetimer_status(kind, echoed)
                return answer(connection, status, body, content_type)
            if path.startswith("/api/v1/get_timer"):
                body = {"ok": True, "data": {"name": self.options.title}}
                return answer(connection, 200, json.dumps(body).encode())
            if path.startswith("/api/v1/get_all_messages"):
                body = {"ok": True, "data": [{"showing": True, "text": self.options.message}]}
                return answer(connection, 200, json.dumps(body).encode())
            return answer(connection, 404, b'{"ok":false}')
        raise ValueError(scenario)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--scenario", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--lifetime", type=float, default=120)
    parser.add_argument("--connections", type=int, default=1000)
    parser.add_argument("--version", default="4.11.0")
    parser.add_argument("--poll", default="good")
    parser.add_argument("--title", default="")
    parser.add_argument("--message", default="")
    parser.add_argument("--echo-key", action="store_true",
                        help="Stagetimer failures repeat the request's Authorization header")
    parser.add_argument("--long", action="store_true",
                        help="pad the title to 20,000 and the message to 400,000 characters")
    options = parser.parse_args()
    if options.long:
        options.title += "t" * 20000
        options.message += "m" * 400000

    server = Server(options)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", options.port))
    listener.listen(64)
    print(f"listening {listener.getsockname()[1]}", flush=True)
    stopper = threading.Timer(options.lifetime, lambda: listener.shutdown(socket.SHUT_RDWR))
    stopper.daemon = True
    stopper.start()
    output = threading.Lock()

    def handle(connection):
        with connection:
            try:
                record = server.serve(connection)
            except OSError:
                record = None
        if record is not None:
            with output:
                print(json.dumps(record), flush=True)

    for _ in range(options.connections):
        try:
            connection, _ = listener.accept()
        except OSError:
            break
        threading.Thread(target=handle, args=(connection,), daemon=True).start()
    listener.close()
    sys.stdout.flush()
    # Let answers in progress end, then stop whatever is left.
    time.sleep(1)


if __name__ == "__main__":
    main()
