// Plays a program from the catalogue page's grid in headless Chromium, as a viewer does, and prints the cues of the
// subtitle track the page put on its video, as one JSON line. Every wait is bounded.
// Usage: node page_tracks.cjs PUPPETEER_DIR PROFILE_DIR PAGE_URL PROGRAM_LINK (as the page writes it)
"use strict";
const [puppeteerDir, profile, url, file] = process.argv.slice(2);
const puppeteer = require(puppeteerDir);

(async () => {
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    headless: true,
    userDataDir: profile,
    args: ["--no-sandbox", "--mute-audio", "--autoplay-policy=no-user-gesture-required", "--no-first-run"],
  });
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 390, height: 844 });
    await page.goto(url, { waitUntil: "load", timeout: 30000 });
    const result = await page.evaluate(async (file) => {
      const until = (test, ms, what) => new Promise((resolve, reject) => {
        const start = performance.now();
        const look = () => {
          const value = test();
          if (value) resolve(value);
          else if (performance.now() - start > ms) reject(new Error(what + " within " + ms + " ms"));
          else setTimeout(look, 20);
        };
        look();
      });
      const pictures = [...document.querySelectorAll("#grid img")].map((img) => img.naturalWidth);
      const button = [...document.querySelectorAll("#grid button.play")].find((b) => b.dataset.file === file);
      button.click();
      const video = await until(() => button.parentElement.querySelector("video"), 10000, "no video element");
      const track = await until(() => video.textTracks[0], 10000, "no track");
      await until(() => track.cues && track.cues.length > 0, 20000, "no cues");
      return { mode: track.mode, language: track.language, cues: [...track.cues].map((cue) => cue.text), pictures };
    }, file);
    console.log(JSON.stringify(result));
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.log(JSON.stringify({ error: error.message }));
  process.exit(1);
});
