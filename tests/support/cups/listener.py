#!/usr/bin/env python3
"""listener.py JOBS_DIR PORTS_FILE QUEUE...: loopback printers for the tests' private CUPS.

One loopback port per queue ("QUEUE PORT" lines in PORTS_FILE once all listen); each job, read to
its end, goes whole (through a temporary name) to JOBS_DIR/QUEUE-N.pdf, N from 1 per queue.
"""
import os
import selectors
import socket
import sys
import threading


def main():
    jobs_dir, ports_file, queues = sys.argv[1], sys.argv[2], sys.argv[3:]
    os.makedirs(jobs_dir, exist_ok=True)
    sel = selectors.DefaultSelector()
    counters = dict.fromkeys(queues, 0)
    lock = threading.Lock()
    with open(ports_file + ".tmp", "w") as f:
        for q in queues:
            s = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
            s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
            s.bind(("127.0.0.1", 0))
            s.listen(8)
            sel.register(s, selectors.EVENT_READ, q)
            f.write("%s %d\n" % (q, s.getsockname()[1]))
    os.replace(ports_file + ".tmp", ports_file)

    def receive(conn, queue):
        with conn:
            data = b"".join(iter(lambda: conn.recv(65536), b""))
        with lock:
            counters[queue] += 1
            path = os.path.join(jobs_dir, "%s-%d.pdf" % (queue, counters[queue]))
        with open(path + ".part", "wb") as f:
            f.write(data)
        os.replace(path + ".part", path)

    while True:
        for key, _ in sel.select():
            conn, _ = key.fileobj.accept()
            threading.Thread(target=receive, args=(conn, key.data), daemon=True).start()


if __name__ == "__main__":
    main()
