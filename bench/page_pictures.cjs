// Loads the catalogue page on a phone-sized screen in headless Chromium and prints, as one JSON line, the time until
// the page is usable (loaded, the pictures on screen shown) and how many pictures the browser asked for.
// Usage: node page_pictures.cjs PUPPETEER_DIR PROFILE_DIR PAGE_URL
"use strict";
const [puppeteerDir, profile, url] = process.argv.slice(2);
const puppeteer = require(puppeteerDir);

(async () => {
  const browser = await puppeteer.launch({ executablePath: "/usr/bin/chromium", headless: true, userDataDir: profile,
                                           args: ["--no-sandbox", "--no-first-run"] });
  try {
    const page = await browser.newPage();
    await page.setViewport({ width: 390, height: 844, isMobile: true, deviceScaleFactor: 2 });
    let asked = 0;
    page.on("request", (request) => { if (request.url().includes("/pictures/")) asked++; });
    const start = Date.now();
    await page.goto(url, { waitUntil: "load", timeout: 60000 });
    const loaded = Date.now() - start;
    await page.waitForFunction(() => {
      const onScreen = [...document.querySelectorAll("#grid img")].filter((img) => {
        const box = img.getBoundingClientRect();
        return box.bottom > 0 && box.top < innerHeight;
      });
      return onScreen.length > 0 && onScreen.every((img) => img.complete && img.naturalWidth > 0);
    }, { timeout: 60000, polling: 10 });
    const usable = Date.now() - start;
    const tiles = await page.evaluate(() => document.querySelectorAll("#grid .tile").length);
    console.log(JSON.stringify({ tiles, loadedMs: loaded, usableMs: usable, picturesAsked: asked }));
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.log(JSON.stringify({ error: error.message }));
  process.exit(1);
});
