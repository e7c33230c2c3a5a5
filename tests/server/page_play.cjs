// Plays video programs on the catalogue page in headless Chromium as a viewer does: presses a program's Play button,
// waits for its length, for the time to advance, then seeks to 75% and waits for it to play on from there. Prints
// one JSON line per program. Every wait is bounded.
// With "hls.js" for PLAYER the browser is made to say it has no HLS of its own, as most desktop browsers have none,
// so that the page plays through the HLS player; with "native" it is left as it is.
// Usage: node page_play.cjs PUPPETEER_DIR PROFILE_DIR PLAYER PAGE_URL PID...
"use strict";
const [puppeteerDir, profile, player, url, ...pids] = process.argv.slice(2);
const puppeteer = require(puppeteerDir);

async function playOne(page, pid) {
  return page.evaluate(async (pid) => {
    const until = (test, ms, what) => new Promise((resolve, reject) => {
      const start = performance.now();
      const look = () => {
        const value = test();
        if (value) resolve(value);
        else if (performance.now() - start > ms) reject(new Error(pid + ": " + what + " within " + ms + " ms"));
        else setTimeout(look, 20);
      };
      look();
    });
    const row = [...document.querySelectorAll("#programs tr")].find((r) => r.querySelector("td.num").textContent === pid);
    row.querySelector("button.play").click();
    const video = await until(() => row.querySelector("video"), 10000, "no video element");
    const errorOf = () => (video.error ? "media error " + video.error.code : "");
    await until(() => errorOf() || (isFinite(video.duration) && video.duration > 0), 30000, "no length");
    if (errorOf()) return { pid, error: errorOf() };
    const duration = video.duration;
    const started = video.currentTime;
    await until(() => errorOf() || video.currentTime > started + 1, 30000, "no time advancing");
    const target = duration * 0.75;
    const asked = performance.now();
    video.currentTime = target;
    await until(() => errorOf() || (!video.seeking && video.currentTime > target + 0.2), 30000, "no play after seek");
    const seekMs = performance.now() - asked;
    return { pid, duration, target, at: video.currentTime, seekMs, error: errorOf(), player: window.Hls ? "hls.js" : "native" };
  }, pid);
}

(async () => {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    userDataDir: profile,
    args: ["--no-sandbox", "--mute-audio", "--autoplay-policy=no-user-gesture-required", "--no-first-run"],
  });
  try {
    const page = await browser.newPage();
    if (player === "hls.js")
      await page.evaluateOnNewDocument(() => {
        const canPlayType = HTMLMediaElement.prototype.canPlayType;
        HTMLMediaElement.prototype.canPlayType = function (type) {
          return /mpegurl/i.test(type) ? "" : canPlayType.call(this, type);
        };
      });
    await page.goto(url, { waitUntil: "load", timeout: 30000 });
    for (const pid of pids) console.log(JSON.stringify(await playOne(page, pid)));
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.log(JSON.stringify({ error: error.message }));
  process.exit(1);
});
