// Offers the game box's Flash player (Ruffle) to this document.
(function () {
  "use strict";
  if (window.__orvanzevFlash) return;
  Object.defineProperty(window, "__orvanzevFlash", { value: true });

  // Web pages reach the player through the program's scheme; the program's
  // own local pages read its files directly.
  var base = location.protocol === "file:" ? "%LOCAL_PLAYER%" : "orvanzev://ruffle/";
  window.RufflePlayer = window.RufflePlayer || {};
  window.RufflePlayer.config = Object.assign({
    publicPath: base,
    autoplay: "on",
    unmuteOverlay: "hidden",
    splashScreen: false,
    preloader: false,
    contextMenu: "off",
    letterbox: "on",
    warnOnUnsupportedContent: false,
    showSwfDownload: false,
    // Text in the computer's own fonts is drawn by the page, which has the
    // Chinese fonts; the player's built-in font has no Chinese.
    deviceFontRenderer: "canvas",
    logLevel: "error"
  }, window.RufflePlayer.config || {});

  // The engine's fetch refuses the program's own scheme and local files;
  // answer those requests through XMLHttpRequest, leave all others alone.
  // A local game's page (on the program's scheme) loads its own files so.
  var ownOrigin = location.protocol === "orvanzev:" ? location.protocol + "//" + location.host + "/" : null;
  // Every http(s) load through fetch (the player loads movies and their
  // files so) is noted with its final address after redirects, for the
  // program to find the movie a player actually plays.
  var loads = [];
  Object.defineProperty(window, "__orvanzevLoads", { value: loads });
  function note(requested, response) {
    if (loads.length < 1000 && /^https?:/.test(requested))
      loads.push({ requested: requested, url: response.url || requested, ok: response.ok,
                   type: response.headers.get("Content-Type") || "" });
    return response;
  }
  // A local game's page may give, once, the web addresses its game was
  // kept under, each with the file of its own origin that answers it. Its
  // game then loads those addresses from there and never from the web.
  var kept = null;
  if (ownOrigin) {
    Object.defineProperty(window, "__orvanzevKeep", {
      value: function (addresses) {
        if (kept) return;
        kept = Object.create(null);
        Object.keys(addresses || {}).forEach(function (address) {
          kept[address.replace(/#.*$/, "")] = ownOrigin + String(addresses[address]);
        });
      }
    });
  }
  // The player's WebAssembly is read in parts, several at a time, and
  // handed on as a stream: the engine compiles what has come while the rest
  // is read. A part shorter than asked for is the last.
  var streamsParts = base.indexOf("orvanzev:") === 0;
  var kPartBytes = 1 << 20;
  var kPartsAhead = 4;
  function part(url, index) {
    return new Promise(function (resolve, reject) {
      var request = new XMLHttpRequest();
      request.open("GET", url + "?offset=" + index * kPartBytes + "&length=" + kPartBytes);
      request.responseType = "arraybuffer";
      request.onload = function () { resolve(request.response); };
      request.onerror = function () { reject(new TypeError("Failed to load " + url)); };
      request.send();
    });
  }
  function inParts(url) {
    var parts = [];
    function ask(index) {
      parts[index] = part(url, index);
      parts[index].catch(function () {});
    }
    for (var i = 0; i < kPartsAhead; i++) ask(i);
    var next = 0;
    // The answer comes with the first part, so that a missing file fails
    // the fetch itself.
    return parts[0].then(function () {
      var body = new ReadableStream({
        pull: function (controller) {
          return parts[next].then(function (bytes) {
            parts[next] = null;
            if (bytes.byteLength === kPartBytes) ask(next + kPartsAhead);
            next++;
            if (bytes.byteLength) controller.enqueue(new Uint8Array(bytes));
            if (bytes.byteLength < kPartBytes) controller.close();
          });
        }
      });
      var response = new Response(body, { status: 200, headers: { "Content-Type": "application/wasm" } });
      Object.defineProperty(response, "url", { value: url });
      return response;
    });
  }

  var originalFetch = window.fetch;
  window.fetch = function (input, init) {
    var url = new URL(typeof input === "string" ? input : (input && input.url) || String(input), location.href).href;
    var player = url.indexOf(base) === 0;
    var own = ownOrigin && url.indexOf(ownOrigin) === 0;
    var web = /^https?:/.test(url);
    if (!player && !own && !(kept && web)) {
      var answer = originalFetch.apply(this, arguments);
      answer.then(function (response) { note(url, response); }, function () {});
      return answer;
    }
    if (player && streamsParts && /\.wasm$/.test(url)) return inParts(url);
    var from = kept && web ? kept[url.replace(/#.*$/, "")] : url;
    return new Promise(function (resolve, reject) {
      // A file the game asks for that its own page cannot give: the page
      // may tell the player which one.
      var missing = function () {
        if (!player) window.dispatchEvent(new CustomEvent("orvanzev-missing-file", { detail: url }));
        reject(new TypeError("Failed to load " + url));
      };
      if (!from) { missing(); return; }
      var request = new XMLHttpRequest();
      request.open("GET", from);
      request.responseType = "arraybuffer";
      request.onload = function () {
        var type = !player ? request.getResponseHeader("Content-Type") || "application/octet-stream"
          : /\.wasm$/.test(url) ? "application/wasm" : "text/javascript";
        var response = new Response(request.response, { status: 200, headers: { "Content-Type": type } });
        // The game sees the address it asked for.
        Object.defineProperty(response, "url", { value: url });
        resolve(response);
      };
      request.onerror = missing;
      request.send();
    });
  };

  // Until the player itself is loaded, a stand-in of the Flash plug-in
  // answers pages that look for it in navigator.plugins or
  // navigator.mimeTypes; the player takes it for its own (file name
  // "ruffle.js") and keeps it.
  function offerPlugin() {
    if (navigator.plugins.namedItem("Shockwave Flash")) return;
    var plugin = { name: "Shockwave Flash", description: "Shockwave Flash 32.0 r0", filename: "ruffle.js" };
    var types = [["application/futuresplash", "spl"], ["application/x-shockwave-flash", "swf"],
                 ["application/x-shockwave-flash2-preview", "swf"], ["application/vnd.adobe.flash.movie", "swf"]];
    var mimeTypes = types.map(function (t) {
      return { type: t[0], description: "Shockwave Flash", suffixes: t[1], enabledPlugin: plugin };
    });
    function list(items, key) {
      var result = {
        length: items.length,
        item: function (i) { return items[i] || null; },
        namedItem: function (name) {
          for (var i = 0; i < items.length; i++) if (items[i][key] === name) return items[i];
          return null;
        },
        refresh: function () {}
      };
      result[Symbol.iterator] = function () { return items[Symbol.iterator](); };
      items.forEach(function (item, i) { result[i] = item; result[item[key]] = item; });
      return result;
    }
    Object.assign(plugin, list(mimeTypes, "type"));
    var plugins = list(Array.prototype.slice.call(navigator.plugins).concat([plugin]), "name");
    var allTypes = list(Array.prototype.slice.call(navigator.mimeTypes).concat(mimeTypes), "type");
    Object.defineProperty(navigator, "plugins", { value: plugins, configurable: true });
    Object.defineProperty(navigator, "mimeTypes", { value: allTypes, configurable: true });
  }

  var playerAdded = false;
  function addPlayer() {
    if (playerAdded) return;
    playerAdded = true;
    var script = document.createElement("script");
    script.src = base + "ruffle.js";
    (document.head || document.documentElement).appendChild(script);
  }
  function holdsMovie(node) {
    return node.nodeName === "EMBED" || node.nodeName === "OBJECT"
      || (node.nodeType === 1 && node.querySelector("embed, object") !== null);
  }

  // The player is loaded once the document holds an <embed> or <object>,
  // the elements it plays, or once a script asks for the player's own
  // interface (RufflePlayer.newest); a page with neither never pays for it.
  offerPlugin();
  var watch = new MutationObserver(function (changes) {
    for (var i = 0; i < changes.length; i++) {
      var added = changes[i].addedNodes;
      for (var j = 0; j < added.length; j++) {
        if (holdsMovie(added[j])) {
          watch.disconnect();
          addPlayer();
          return;
        }
      }
    }
  });
  watch.observe(document, { childList: true, subtree: true });
  // The loaded player puts its own RufflePlayer in place of this one.
  Object.defineProperty(window.RufflePlayer, "newest", {
    configurable: true,
    get: function () {
      watch.disconnect();
      addPlayer();
      return undefined;
    }
  });
})();
