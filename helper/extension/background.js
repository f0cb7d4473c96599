// Hands each download the user starts over to Fetchlark through the native
// host. When Fetchlark takes it, the browser's own download is cancelled and
// erased from its list; when it does not (not running, detection off, an
// address it cannot carry), the browser goes on as usual.

const api = globalThis.browser ?? globalThis.chrome;
const HOST = "org.fetchlark.flkauto";
const HANDLED = /^(https?|ftp):/i;

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

async function takeOver(item) {
  const url = item.finalUrl || item.url;
  if (!url || !HANDLED.test(url) || item.state !== "in_progress") return;
  const kind = url.slice(0, url.indexOf(":")).toLowerCase();
  const answer = await ask({ type: "handoff", kind, url, description: item.referrer || "" });
  if (!answer || answer.ok !== true) {
    if (answer && answer.error) console.info("Fetchlark did not take the download:", answer.error);
    return;
  }
  try {
    await api.downloads.cancel(item.id);
  } catch (e) {
    // Already finished or gone: nothing left to cancel.
  }
  try {
    await api.downloads.erase({ id: item.id });
  } catch (e) {
    // Erasing only tidies the browser's list.
  }
}

api.downloads.onCreated.addListener((item) => {
  takeOver(item);
});
