#!/usr/bin/env python3
"""A simulated network link for the benchmarks.

Listens on LISTEN_HOST at each given port and forwards every connection to the same port on
TARGET_HOST, delaying each piece of data by a one-way delay in both directions and, when asked,
capping each connection's rate per direction. Half-closes travel too (an upload's end of data is
a shutdown of the sending side), after the same delay. Run the service on 127.0.0.1 with its
public host set to 127.0.0.2 and the relay between them, and every connection a client makes to
the names the service hands out goes through the link.

The TCP handshake is modelled by its timing: connect returns at once here, but the far side
sees the connection one delay later and the client's first bytes no sooner than three delays
after it connected, as when they leave with the handshake's last packet. A client that waits for
its connection before it sends (a data connection before STOR) pays the round trip it would pay
on a real line.

Prints "relay ready" once every port listens; stops on SIGTERM or SIGINT.
"""

import argparse
import asyncio
import signal
import sys
import time

CHUNK = 64 * 1024


def parse_ports(text):
    ports = []
    for part in text.split(","):
        if "-" in part:
            low, high = part.split("-")
            ports.extend(range(int(low), int(high) + 1))
        elif part:
            ports.append(int(part))
    return ports


class Link:
    def __init__(self, delay, rate):
        self.delay = delay  # seconds, one way
        self.rate = rate  # bytes per second per connection and direction; 0: none

    async def pipe(self, reader, writer, not_before=0.0):
        # Bounded: a capped direction holds its sender back instead of buffering the file.
        queue = asyncio.Queue(maxsize=64)

        def due():
            return max(time.monotonic() + self.delay, not_before)

        async def take():
            try:
                while True:
                    data = await reader.read(CHUNK)
                    await queue.put((due(), data))
                    if not data:
                        return
            except (ConnectionError, OSError):
                await queue.put((due(), b""))

        async def give():
            # A token bucket of 50 ms: an idle connection does not save up a burst.
            burst = self.rate * 0.05
            tokens, last = burst, time.monotonic()
            while True:
                due, data = await queue.get()
                wait = due - time.monotonic()
                if wait > 0:
                    await asyncio.sleep(wait)
                if not data:
                    if writer.can_write_eof():
                        writer.write_eof()
                    return
                if self.rate > 0:
                    now = time.monotonic()
                    tokens = min(burst, tokens + (now - last) * self.rate)
                    last = now
                    if tokens < len(data):
                        await asyncio.sleep((len(data) - tokens) / self.rate)
                    tokens -= len(data)
                writer.write(data)
                await writer.drain()

        taking = asyncio.ensure_future(take())
        try:
            await give()
        except (ConnectionError, OSError):
            pass
        finally:
            # The far side is gone: nobody reads what is still coming.
            if not taking.done():
                taking.cancel()
            try:
                await taking
            except (asyncio.CancelledError, ConnectionError, OSError):
                pass


async def serve_connection(link, target_host, port, client_reader, client_writer):
    # SYN, SYN-ACK, then the client's first data with the ACK.
    first_data = time.monotonic() + 3 * link.delay
    try:
        await asyncio.sleep(link.delay)  # the first packet reaches the far side
        server_reader, server_writer = await asyncio.open_connection(target_host, port)
    except OSError:
        client_writer.close()
        return
    try:
        await asyncio.gather(
            link.pipe(client_reader, server_writer, first_data),
            link.pipe(server_reader, client_writer),
        )
    finally:
        for writer in (client_writer, server_writer):
            try:
                writer.close()
            except OSError:
                pass


async def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--listen-host", default="127.0.0.2")
    parser.add_argument("--target-host", default="127.0.0.1")
    parser.add_argument("--ports", required=True, help="e.g. 18080,18021,30000-30099")
    parser.add_argument("--delay-ms", type=float, default=0.0, help="one-way delay")
    parser.add_argument("--rate", type=int, default=0, help="bytes/s per connection; 0: none")
    args = parser.parse_args()

    link = Link(args.delay_ms / 1000.0, args.rate)
    servers = []
    for port in parse_ports(args.ports):

        def handler(reader, writer, port=port):
            return serve_connection(link, args.target_host, port, reader, writer)

        servers.append(
            await asyncio.start_server(handler, args.listen_host, port, reuse_address=True)
        )
    print("relay ready", flush=True)
    stop = asyncio.Event()
    loop = asyncio.get_running_loop()
    for signum in (signal.SIGTERM, signal.SIGINT):
        loop.add_signal_handler(signum, stop.set)
    await stop.wait()
    for server in servers:
        server.close()


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except OSError as error:
        print(f"relay: {error}", file=sys.stderr)
        sys.exit(1)
