#!/usr/bin/python3 -B
# The converted streams against Debian's ffmpeg doing the same work, side by side in one run, best of --runs: the
# time from a program's playlist to its first segment, and the conversion speed, for an SD MPEG-2 and an SD AVI
# program; how many SD programs convert at once at real time or better; a cached segment's speed; and the server's
# resident memory idle and with 4 conversions going. Everything on 127.0.0.1; the programs are made with ffmpeg.
# Usage: bench/convert_bench.py [--server PATH] [--tool PATH] [--seconds N] [--runs N] [--streams N]
import argparse
import concurrent.futures
import http.client
import os
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SEGMENT = 4.0
# The server runs its conversions 10 steps lower than itself; ffmpeg alone runs as low, so that other work on the
# machine weighs on both sides alike.
NICE = ["nice", "-n", "10"]


def make_program(path, kind, seconds):
    inputs = (f"-f lavfi -i testsrc2=size={'720x576' if kind == 'mpeg2' else '640x480'}:rate=25:duration={seconds} "
              f"-f lavfi -i sine=frequency=440:sample_rate=48000:duration={seconds}").split()
    codecs = ("-c:v mpeg2video -b:v 4M -c:a mp2 -b:a 192k -f dvd" if kind == "mpeg2" else
              "-c:v mpeg4 -vtag XVID -q:v 4 -c:a libmp3lame -b:a 128k -f avi").split()
    subprocess.run(["ffmpeg", "-hide_banner", "-loglevel", "error", "-y", *inputs, *codecs, path], check=True)


CUT = []


def fetch(url):
    """The answer's body; a 503 is asked again after the time it names, and an answer cut short again at once, as
    players do (the cut ones are counted and told)."""
    for _ in range(60):
        try:
            with urllib.request.urlopen(url, timeout=120) as answer:
                return answer.read()
        except http.client.IncompleteRead:
            CUT.append(url)
            continue
        except urllib.error.HTTPError as error:
            if error.code != 503:
                raise
            time.sleep(int(error.headers.get("Retry-After", "1")))
    raise RuntimeError(f"{url}: still 503 after a minute of asking")


class Server:
    """A server of its own, with a fresh cache, for each measurement: nothing made before is reused."""
    runs = 0

    def __init__(self, server, tool, folder, files, conversions):
        Server.runs += 1
        listing = os.path.join(folder, f"bench{Server.runs}.lst")
        for pid, path in enumerate(files, 1):
            subprocess.run([tool, "--list", listing, "add", path, str(pid)], check=True, stdout=subprocess.DEVNULL)
        self.cache = os.path.join(folder, f"cache{Server.runs}")
        self.process = subprocess.Popen(
            [server, "--port", "0", "--list", listing, "--http", "0", "--convert-cache", self.cache,
             "--conversions", str(conversions), "--verbose"],
            stdout=subprocess.PIPE, stderr=open(os.path.join(folder, f"server{Server.runs}.log"), "w"), text=True)
        self.port = None
        for line in self.process.stdout:
            if line.startswith("HTTP on port "):
                self.port = int(line.split()[3].rstrip(":"))
                break
        import json
        self.programs = json.loads(fetch(self.url("/programs.json")))

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def hls(self, pid):
        return self.programs[pid - 1]["hls"]

    def rss_kib(self):
        with open(f"/proc/{self.process.pid}/status") as status:
            for line in status:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
        return 0

    def stop(self):
        self.process.terminate()
        self.process.wait(30)
        shutil.rmtree(self.cache, ignore_errors=True)


def ffmpeg_first_segment(path, folder):
    """Debian's ffmpeg alone making the first 4 s segment with the same settings as the server."""
    out = os.path.join(folder, "ffmpeg-first")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    start = time.monotonic()
    subprocess.run([*NICE, "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-i", path, "-t", "4", "-map", "0:v:0",
                    "-vf", "scale=trunc(iw/2)*2:trunc(ih/2)*2,format=yuv420p", "-c:v", "libx264", "-preset",
                    "veryfast", "-profile:v", "main", "-force_key_frames", "expr:gte(t,n_forced*4)", "-map", "0:a:0",
                    "-c:a", "aac", "-b:a", "128k", "-f", "mpegts", os.path.join(out, "0.ts")], check=True)
    return time.monotonic() - start


def ffmpeg_whole(path, folder):
    out = os.path.join(folder, "ffmpeg-whole")
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    start = time.monotonic()
    subprocess.run([*NICE, "ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-i", path, "-map", "0:v:0", "-vf",
                    "scale=trunc(iw/2)*2:trunc(ih/2)*2,format=yuv420p", "-c:v", "libx264", "-preset", "veryfast",
                    "-profile:v", "main", "-force_key_frames", "expr:gte(t,n_forced*4)", "-map", "0:a:0", "-c:a",
                    "aac", "-b:a", "128k", "-f", "segment", "-segment_format", "mpegts", "-segment_time", "4",
                    os.path.join(out, "%d.ts")], check=True)
    return time.monotonic() - start


def server_first_segment(make, pid):
    server = make()
    playlist = server.hls(pid)
    start = time.monotonic()
    fetch(playlist)
    fetch(playlist.replace("index.m3u8", "0.ts"))
    spent = time.monotonic() - start
    server.stop()
    return spent


def server_whole(server, pid, seconds):
    """Every segment in order, as fast as they come: one run makes them all."""
    base = server.hls(pid).replace("index.m3u8", "")
    count = int(seconds // SEGMENT)
    start = time.monotonic()
    for k in range(count):
        fetch(f"{base}{k}.ts")
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--server", default=os.path.join(root, "build", "native", "bin", "tarnvale-server"))
    parser.add_argument("--tool", default=os.path.join(root, "build", "native", "bin", "tarnvale"))
    parser.add_argument("--seconds", type=int, default=60)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--streams", type=int, default=8)
    parser.add_argument("--many-only", action="store_true", help="only the programs at once, memory and cache")
    args = parser.parse_args()

    folder = tempfile.mkdtemp(prefix="tarnvale-convert-bench-")
    try:
        print(f"{os.cpu_count()} cores; programs of {args.seconds} s; best of {args.runs}", flush=True)
        files = {"SD MPEG-2 720x576": os.path.join(folder, "sd.mpg"), "SD AVI 640x480": os.path.join(folder, "sd.avi")}
        make_program(files["SD MPEG-2 720x576"], "mpeg2", args.seconds)
        make_program(files["SD AVI 640x480"], "avi", args.seconds)
        copies = []
        # Copies are other files to the server: 4 for the first round, and as many as --streams for the second.
        for n in range(args.streams + 4):
            copy = os.path.join(folder, f"copy{n}.mpg")
            shutil.copyfile(files["SD MPEG-2 720x576"], copy)
            copies.append(copy)
        def make():
            return Server(args.server, args.tool, folder, list(files.values()) + copies, args.streams + 2)

        def whole(pid):
            server = make()
            spent = server_whole(server, pid, args.seconds)
            server.stop()
            return spent

        server = None
        try:
            for pid, (name, path) in enumerate(files.items() if not args.many_only else [], 1):
                ours = min(server_first_segment(make, pid) for _ in range(args.runs))
                theirs = min(ffmpeg_first_segment(path, folder) for _ in range(args.runs))
                print(f"{name}: first segment {ours:.2f} s from the playlist's request; ffmpeg alone {theirs:.2f} s")
                ours = min(whole(pid) for _ in range(args.runs))
                theirs = min(ffmpeg_whole(path, folder) for _ in range(args.runs))
                made = int(args.seconds // SEGMENT) * SEGMENT
                print(f"{name}: conversion {made / ours:.1f}x real time; ffmpeg alone {args.seconds / theirs:.1f}x "
                      f"({(made / ours) / (args.seconds / theirs):.2f} of its speed)", flush=True)

            # Many programs at once, each asked segment after segment as fast as it comes: real time or better for
            # each is what a viewer needs.
            server = make()
            idle = server.rss_kib()
            pids = list(range(3, 3 + args.streams + 4))
            peak = [idle]

            def watch(stop):
                while not stop() and not failed:
                    peak[0] = max(peak[0], server.rss_kib())
                    time.sleep(0.2)

            failed = []
            for streams in sorted({4, args.streams}):
                done = []
                with concurrent.futures.ThreadPoolExecutor(streams + 1) as pool:
                    watcher = pool.submit(watch, lambda: len(done) == streams)
                    # The second round asks other programs than the first, so that nothing comes from the cache.
                    chosen = pids[:4] if streams == 4 else pids[4:4 + streams]
                    futures = [pool.submit(server_whole, server, pid, min(args.seconds, 40)) for pid in chosen]
                    speeds = []
                    try:
                        for future in futures:
                            speeds.append((int(min(args.seconds, 40) // SEGMENT) * SEGMENT) / future.result())
                            done.append(1)
                    except Exception:
                        failed.append(1)
                        raise
                    watcher.result()
                print(f"{streams} SD conversions at once: slowest {min(speeds):.2f}x real time, fastest "
                      f"{max(speeds):.2f}x ({'all' if min(speeds) >= 1 else 'not all'} in real time; "
                      f"{len(CUT)} answers cut short and asked again)", flush=True)
                if streams == 4:
                    print(f"server memory: {idle / 1024:.1f} MiB idle, {peak[0] / 1024:.1f} MiB at most with 4 "
                          f"conversions")

            base = server.hls(3).replace("index.m3u8", "")
            fetch(f"{base}0.ts")
            size = len(fetch(f"{base}0.ts"))
            start = time.monotonic()
            for _ in range(200):
                fetch(f"{base}0.ts")
            spent = time.monotonic() - start
            print(f"cached segment ({size / 1024:.0f} KiB): {200 / spent:.0f} answers/s, "
                  f"{200 * size / spent / 2**20:.0f} MiB/s on one connection at a time")
        finally:
            if server:
                server.stop()
    finally:
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
