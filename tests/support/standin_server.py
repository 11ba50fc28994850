#!/usr/bin/python3
"""A stand-in for the web services in tests: answers from a route table on
127.0.0.1 only, and logs every request it gets.

Usage: standin_server.py ROUTES.json LOG.jsonl [PORT]
Prints the port it listens on, then serves until killed.

ROUTES.json is a list of routes, tried in order:
  {"path": "/ws/2/release",          exact path (no query), or
   "prefix": "/release/",            a path prefix
   "query": "offset=100",            optional: text the decoded query must hold
   "body_has": "client=k",           optional: text the request body must hold
   "responses": [ANSWER, ...]}       successive hits take the next; the last repeats
ANSWER: {"status": 200, "headers": {...}, "body": "text" | "body_file": path |
         "body_hex": "ffd8..." | "body_repeat": ["text", count],
         "delay": seconds before answering, "trickle": seconds per byte,
         "hang": true (never answers), "redirect": "/other/path"}
Unmatched requests get 404 with a MusicBrainz-style error body.
"""
import http.server
import json
import sys
import threading
import time
import urllib.parse

routes = json.load(open(sys.argv[1]))
log_path = sys.argv[2]
hits = {}
lock = threading.Lock()


def find_route(path, query, body):
    for index, route in enumerate(routes):
        if "path" in route and route["path"] != path:
            continue
        if "prefix" in route and not path.startswith(route["prefix"]):
            continue
        if "query" in route and route["query"] not in query:
            continue
        if "body_has" in route and route["body_has"] not in body:
            continue
        with lock:
            count = hits.get(index, 0)
            hits[index] = count + 1
        answers = route["responses"]
        return answers[min(count, len(answers) - 1)]
    return {"status": 404, "body": '<?xml version="1.0"?><error><text>Not Found</text></error>'}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, method):
        url = urllib.parse.urlsplit(self.path)
        query = urllib.parse.unquote_plus(url.query)
        length = int(self.headers.get("Content-Length") or 0)
        body = self.rfile.read(length).decode("latin-1") if length else ""
        with lock, open(log_path, "a") as log:
            log.write(json.dumps({"method": method, "path": url.path, "query": query, "body": body,
                                  "user_agent": self.headers.get("User-Agent", ""),
                                  "time": time.monotonic()}) + "\n")
        answer = find_route(url.path, query, body)
        if answer.get("hang"):
            time.sleep(3600)
            return
        time.sleep(answer.get("delay", 0))
        if "body_file" in answer:
            data = open(answer["body_file"], "rb").read()
        elif "body_hex" in answer:
            data = bytes.fromhex(answer["body_hex"])
        elif "body_repeat" in answer:
            text, count = answer["body_repeat"]
            data = text.encode() * count
        else:
            data = answer.get("body", "").encode()
        status = answer.get("status", 200)
        self.send_response(status)
        headers = dict(answer.get("headers", {}))
        if "redirect" in answer:
            headers["Location"] = answer["redirect"]
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        try:
            if answer.get("trickle"):
                for byte in data:
                    self.wfile.write(bytes([byte]))
                    self.wfile.flush()
                    time.sleep(answer["trickle"])
            elif "body_repeat" in answer:
                chunk = 1 << 20
                for start in range(0, len(data), chunk):
                    self.wfile.write(data[start:start + chunk])
            else:
                self.wfile.write(data)
        except (BrokenPipeError, ConnectionResetError):
            pass

    def do_GET(self):
        self.answer("GET")

    def do_POST(self):
        self.answer("POST")


server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[3]) if len(sys.argv) > 3 else 0), Handler)
server.daemon_threads = True
print(server.server_address[1], flush=True)
server.serve_forever()
