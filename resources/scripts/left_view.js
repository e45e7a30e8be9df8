// The left view: a left-button release asks the program first whether it
// takes it (a local game to play); a release it takes, and the click that
// would follow, never reach the page. Runs in a world of its own.
(function (token) {
  "use strict";
  if (window.__orvanzevLeftView) return;
  window.__orvanzevLeftView = true;
  var swallowClick = false;
  window.addEventListener("mouseup", function (event) {
    if (event.button !== 0) return;
    var hit = document.elementFromPoint(event.clientX, event.clientY);
    // An entry's stored name and address, as the page drew them; texts are
    // cut to what the program needs to know them again.
    var cut = function (v) { v = v == null ? "" : String(v); return [v.slice(0, 4096), v.length]; };
    var data = hit && hit.dataset ? hit.dataset : {};
    var name = cut(data.name), address = cut(data.url);
    var request = {
      what: "leftButtonUp",
      hit: !!hit,
      className: hit ? String(hit.getAttribute("class") || "") : "",
      innerText: hit ? cut(hit.innerText)[0] : "",
      index: data.index == null ? "" : String(data.index),
      name: name[0],
      nameLength: name[1],
      address: address[0],
      addressLength: address[1]
    };
    if (prompt(token + "\nrequest\n" + JSON.stringify(request)) === "handled") {
      event.stopImmediatePropagation();
      event.preventDefault();
      swallowClick = true;
      setTimeout(function () { swallowClick = false; }, 0);
    }
  }, true);
  window.addEventListener("click", function (event) {
    if (!swallowClick) return;
    swallowClick = false;
    event.stopImmediatePropagation();
    event.preventDefault();
  }, true);
})("%TOKEN%");
