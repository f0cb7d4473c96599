// Hands each download the user starts over to Fetchlark through the native
// host, with what the browser knows of it: the final address, the file name
// it chose, the page it came from, its user agent and the cookies it would
// send. The browser's download is paused the moment it is created, so the
// two never race: when Fetchlark takes it, the browser's copy is cancelled
// (or, when it finished first, its file removed) and erased from the list;
// when Fetchlark refuses or cannot be reached, the browser's download is
// resumed and goes on as usual.

const api = globalThis.browser ?? globalThis.chrome;
// Only Firefox has getBrowserInfo (Chromium may also offer `browser`).
const IS_FIREFOX = typeof api.runtime.getBrowserInfo === "function";
const HOST = "org.fetchlark.flkauto";
const HANDLED = /^(https?|ftp):/i;
// How long a hand-off waits for the browser to decide the file name.
const NAME_WAIT_MS = 3000;

function ask(message) {
  // Firefox's API returns a promise; Chromium's also takes a callback.
  return new Promise((resolve) => {
    try {
      const result = api.runtime.sendNativeMessage(HOST, message, (answer) => {
        resolve(api.runtime.lastError ? null : answer);
      });
      if (result && typeof result.then === "function") result.then(resolve, () => resolve(null));
    } catch (e) {
      resolve(null);
    }
  });
}

// Runs a downloads call and says whether it worked; a failure is an answer
// here (the item finished or went away meanwhile), never an exception.
async function attempt(call) {
  try {
    await call();
    return !api.runtime.lastError;
  } catch (e) {
    return false;
  }
}

async function current(id) {
  try {
    const items = await api.downloads.search({ id });
    return items && items.length ? items[0] : null;
  } catch (e) {
    return null;
  }
}

function baseName(path) {
  return (path || "").split(/[\\/]/).pop();
}

// The name the browser decided, per download: Firefox knows it at creation,
// Chromium decides it after (onDeterminingFilename, then onChanged).
const names = new Map();

function noteName(id, name) {
  if (!name) return;
  const entry = names.get(id);
  if (entry && entry.resolve) entry.resolve(name);
  names.set(id, { name });
}

function decidedName(item) {
  if (item.filename) return Promise.resolve(baseName(item.filename));
  const known = names.get(item.id);
  if (known && known.name) return Promise.resolve(known.name);
  return new Promise((resolve) => {
    const timer = setTimeout(() => resolve(""), NAME_WAIT_MS);
    names.set(item.id, {
      resolve: (name) => {
        clearTimeout(timer);
        resolve(name);
      },
    });
  });
}

// The Cookie header the browser would send to `url`, from the download's own
// cookie store (a Firefox container or a private window has its own).
async function cookiesFor(url, item) {
  if (!api.cookies) return "";
  const query = { url };
  if (item.cookieStoreId) query.storeId = item.cookieStoreId;
  else if (item.incognito) return ""; // not the regular session's cookies
  if (IS_FIREFOX) query.firstPartyDomain = null; // all of them, also with first-party isolation
  try {
    const cookies = await api.cookies.getAll(query);
    // Longer paths first, as browsers send them.
    cookies.sort((a, b) => (b.path || "").length - (a.path || "").length);
    return cookies.map((c) => `${c.name}=${c.value}`).join("; ");
  } catch (e) {
    return "";
  }
}

async function takeOver(item) {
  const url = item.finalUrl || item.url;
  if (!url || !HANDLED.test(url) || item.state !== "in_progress") return;
  // Paused first: nothing lands in the browser's folder while Fetchlark decides.
  const paused = await attempt(() => api.downloads.pause(item.id));
  const filename = await decidedName(item);
  const now = (await current(item.id)) || item;
  const finalUrl = now.finalUrl || url;
  const answer = await ask({
    type: "handoff",
    kind: finalUrl.slice(0, finalUrl.indexOf(":")).toLowerCase(),
    url: item.url || finalUrl,
    finalUrl,
    description: item.referrer || "",
    filename,
    referrer: item.referrer || "",
    userAgent: navigator.userAgent,
    cookies: await cookiesFor(finalUrl, item),
  });
  names.delete(item.id);
  if (!answer || answer.ok !== true) {
    if (answer && answer.error) console.info("Fetchlark did not take the download:", answer.error);
    // The user keeps the browser's download.
    if (paused) await attempt(() => api.downloads.resume(item.id));
    return;
  }
  // Fetchlark has it: the browser's copy goes, whether it is still running
  // or finished before the answer came.
  if (!(await attempt(() => api.downloads.cancel(item.id)))) {
    const after = await current(item.id);
    if (after && after.state === "complete" && after.exists !== false)
      await attempt(() => api.downloads.removeFile(item.id));
  }
  await attempt(() => api.downloads.erase({ id: item.id }));
}

if (api.downloads.onDeterminingFilename) {
  api.downloads.onDeterminingFilename.addListener((item, suggest) => {
    noteName(item.id, baseName(item.filename));
    suggest(); // the browser's own choice stands
  });
}

api.downloads.onChanged.addListener((delta) => {
  if (delta.filename && delta.filename.current) noteName(delta.id, baseName(delta.filename.current));
});

api.downloads.onCreated.addListener((item) => {
  takeOver(item);
});
