// The phone in a browser. Everything the phone shows comes from the server as
// SVG drawn from its view trees; a click sends the point, in the phone's own
// coordinates, and the server's hit testing decides what it touched.
"use strict";

// The page, its script and style load without the token; the token the page
// was opened with goes with every request the script makes, beside the header
// that tells the server the request comes from this page and no other site.
const token = new URLSearchParams(location.search).get("token") || "";
const headers = token ? { "X-Quorvel-Request": "page", "X-Quorvel-Token": token } : { "X-Quorvel-Request": "page" };
const $ = (id) => document.getElementById(id);
const shown = { settings: "", nc: "" };
// Tap timings for whoever measures the page, in ms of performance.now():
// [tapped, answer parsed, screen updated].
window.quorvelTapTimes = [];
let pendingTap = null;
let answered = null;

function say(text) {
  $("status").textContent = text || "";
}

async function call(path, params) {
  const options = params === undefined ? { headers } : { method: "POST", headers, body: new URLSearchParams(params) };
  let response;
  try {
    response = await fetch(path, options);
  } catch (error) {
    say("the phone does not answer");
    return null;
  }
  if (!response.ok) {
    say((await response.text()).trim());
    return null;
  }
  say("");
  const state = await response.json();
  answered = performance.now();
  render(state);
  return state;
}

function setScreen(name, markup) {
  if (shown[name] === markup)
    return;
  shown[name] = markup;
  $("screen-" + name).innerHTML = markup;
}

function render(state) {
  document.title = state.title || "Quorvel";
  $("device-time").textContent = state.date + " " + state.time;
  setScreen("settings", state.settings || "");
  setScreen("nc", state.widget || "");
  const nc = state.app === "nc";
  $("screen-settings").hidden = nc;
  $("screen-nc").hidden = !nc;
  $("app-settings").setAttribute("aria-pressed", String(!nc));
  $("app-nc").setAttribute("aria-pressed", String(nc));
  for (const part of document.querySelectorAll("[data-feature]"))
    part.hidden = !(state.features && state.features[part.dataset.feature]);
  $("locked").checked = !!state.locked;
  $("dnd").checked = !!state.dnd;
  $("roaming").checked = !!state.roaming;
  if ($("codes").textContent !== state.codes)
    $("codes").textContent = state.codes;
  if (state.codes !== figuresFor) {
    figuresFor = state.codes;
    loadFigures();
  }
  if (state.rate !== undefined)
    $("rate").textContent = state.rate === 0 ? "paused" : "x" + state.rate;
  renderAlerts(state.alerts || []);
  const body = $("scripts").tBodies[0];
  body.replaceChildren();
  for (const script of state.carrierScripts || []) {
    const row = body.insertRow();
    row.insertCell().textContent = script.code;
    row.insertCell().textContent = script.silent ? "(silent)" : script.reply;
    row.insertCell().textContent = script.silent ? "" : script.delay + " s";
  }
}

// One small form per titled field: below a limit, falling faster than an
// amount a day, no refresh for some hours. Empty clears that alert. Rebuilt
// only when the rules or the fields change, so typing is not undone by the
// state that comes every second.
let shownAlerts = null;
function renderAlerts(alerts) {
  const json = JSON.stringify(alerts);
  if (json === shownAlerts)
    return;
  shownAlerts = json;
  $("alerts-empty").hidden = alerts.length > 0;
  const forms = alerts.map((alert) => {
    const form = document.createElement("form");
    form.className = "alert-form";
    form.autocomplete = "off";
    const title = document.createElement("strong");
    title.textContent = alert.title + " (" + alert.code + ", field " + alert.index + ")";
    form.append(title);
    const limit = (label, name, value, attributes) => {
      const wrap = document.createElement("label");
      const input = document.createElement("input");
      input.name = name;
      input.value = value;
      input.size = 7;
      input.inputMode = "decimal";
      Object.assign(input, attributes);
      wrap.append(label + " ", input);
      form.append(wrap);
    };
    limit("below", "below", alert.below, { placeholder: "5.00" });
    limit("falling faster than", "falling", alert.falling, { placeholder: "1.50" });
    form.append(" a day; ");
    limit("no refresh for", "stale", alert.stale, { placeholder: "24", inputMode: "numeric" });
    form.append(" hours ");
    const save = document.createElement("button");
    save.type = "submit";
    save.textContent = "Save";
    const clear = document.createElement("button");
    clear.type = "button";
    clear.textContent = "Clear";
    form.append(save, clear);
    const send = (values) => call("api/alert", Object.assign({ code: alert.code, index: String(alert.index) }, values));
    form.addEventListener("submit", (event) => {
      event.preventDefault();
      const data = new FormData(form);
      // A comma is taken as the decimal mark, as carriers write it.
      const amount = (name) => String(data.get(name) || "").trim().replace(",", ".");
      send({ below: amount("below"), falling: amount("falling"), stale: amount("stale") });
    });
    clear.addEventListener("click", () => send({ below: "", falling: "", stale: "" }));
    return form;
  });
  $("alert-forms").replaceChildren(...forms);
}

// The figures panel: each field's change since its previous different value
// and a chart of its last 30 days, drawn here from the server's numbers. Read
// again whenever the codes store changes (a refresh stores values and adds
// them to the history) and every 15 s. Every text goes in as text, never markup.
let figuresFor = null;
let figuresShown = "";
let figuresLoading = false;
const svgNs = "http://www.w3.org/2000/svg";

function svgElement(name, attributes, text) {
  const element = document.createElementNS(svgNs, name);
  for (const [key, value] of Object.entries(attributes))
    element.setAttribute(key, String(value));
  if (text !== undefined)
    element.textContent = text;
  return element;
}

function element(name, className, text) {
  const made = document.createElement(name);
  if (className)
    made.className = className;
  if (text !== undefined)
    made.textContent = text;
  return made;
}

function drawChart(field, days, now) {
  const width = 300, height = 84, left = 44, right = 294, top = 8, bottom = 64;
  const from = now - days * 86400;
  const points = field.points.filter((p) => p[0] >= from && p[0] <= now + 60);
  const svg = svgElement("svg", { class: "chart", viewBox: `0 0 ${width} ${height}`, role: "img" });
  const name = (field.title || "field " + field.index) + " over the last " + days + " days";
  svg.append(svgElement("line", { class: "axis", x1: left, y1: bottom, x2: right, y2: bottom }));
  svg.append(svgElement("text", { x: left, y: height - 4 }, days + " days ago"));
  svg.append(svgElement("text", { x: right, y: height - 4, "text-anchor": "end" }, "now"));
  if (points.length === 0) {
    svg.setAttribute("aria-label", name + ": no numbers yet");
    svg.append(svgElement("text", { x: (left + right) / 2, y: (top + bottom) / 2, "text-anchor": "middle" }, "no numbers yet"));
    return svg;
  }
  let low = Math.min(...points.map((p) => p[1]));
  let high = Math.max(...points.map((p) => p[1]));
  svg.setAttribute("aria-label", `${name}: ${points.length} values, from ${low} to ${high}`);
  if (high === low) {
    high += 1;
    low -= 1;
  }
  const x = (t) => left + (right - left) * (t - from) / (now - from);
  const y = (v) => bottom - (bottom - top) * (v - low) / (high - low);
  svg.append(svgElement("text", { x: left - 4, y: top + 4, "text-anchor": "end" }, String(+high.toFixed(6))));
  svg.append(svgElement("text", { x: left - 4, y: bottom, "text-anchor": "end" }, String(+low.toFixed(6))));
  const line = points.map((p) => x(p[0]).toFixed(1) + "," + y(p[1]).toFixed(1)).join(" ");
  svg.append(svgElement("polyline", { class: "line", points: line }));
  const last = points[points.length - 1];
  svg.append(svgElement("circle", { cx: x(last[0]).toFixed(1), cy: y(last[1]).toFixed(1), r: 2.5, fill: "#3a5f8f" }));
  return svg;
}

function renderFigures(figures) {
  const panel = $("figures");
  panel.replaceChildren();
  if (figures.codes.length === 0)
    panel.append(element("p", "", "No codes stored yet."));
  for (const code of figures.codes) {
    const section = element("section", "figure-code");
    section.append(element("h3", "", code.code));
    for (const field of code.fields) {
      const row = element("div", "figure");
      row.dataset.code = code.code;
      row.dataset.index = String(field.index);
      row.append(element("span", "figure-title", field.title || "field " + field.index));
      row.append(element("span", "figure-value", field.value || "(no value yet)"));
      if (field.change)
        row.append(element("span", "figure-change", field.change));
      row.append(drawChart(field, figures.days, figures.now));
      section.append(row);
    }
    if (code.reply)
      section.append(element("p", "figure-reply", "Last reply: " + code.reply));
    panel.append(section);
  }
  if (figures.problem)
    panel.append(element("p", "figure-problem", "No history: " + figures.problem));
}

async function loadFigures() {
  if (figuresLoading)
    return;
  figuresLoading = true;
  try {
    const response = await fetch("api/figures", { headers, cache: "no-store" });
    if (response.ok) {
      const text = await response.text();
      if (text !== figuresShown) {
        figuresShown = text;
        renderFigures(JSON.parse(text));
      }
    } else if (response.status === 404) {
      $("figures-panel").hidden = true;
    }
  } catch (error) {
    // The server is away; the next change or the timer tries again.
  } finally {
    figuresLoading = false;
  }
}
setInterval(loadFigures, 15000);

// The point of the phone's screen under a click, in phone points.
function phonePoint(svg, event) {
  const p = svg.createSVGPoint();
  p.x = event.clientX;
  p.y = event.clientY;
  const at = p.matrixTransform(svg.getScreenCTM().inverse());
  return { x: Math.min(Math.max(at.x, 0), 319.99).toFixed(2), y: Math.min(Math.max(at.y, 0), 479.99).toFixed(2) };
}

function tap(screen, path) {
  $(screen).addEventListener("click", (event) => {
    const svg = $(screen).querySelector("svg");
    if (!svg)
      return;
    $("phone").focus({ preventScroll: true });
    pendingTap = performance.now();
    // A tap that changed nothing on screen has no update to time.
    call(path, phonePoint(svg, event)).then(() => { pendingTap = null; });
  });
}
tap("screen-settings", "api/settings/tap");
// The wheel drags the content under the pointer, as a finger would.
let scrolling = false;
$("screen-settings").addEventListener("wheel", (event) => {
  const svg = $("screen-settings").querySelector("svg");
  if (!svg)
    return;
  event.preventDefault();
  if (scrolling)
    return;
  scrolling = true;
  const at = phonePoint(svg, event);
  const dy = Math.max(-400, Math.min(400, event.deltaY)).toFixed(1);
  call("api/settings/scroll", { x: at.x, y: at.y, dy }).finally(() => { scrolling = false; });
}, { passive: false });
tap("screen-nc", "api/widget/tap");

// The moment a tap's answer reaches the screen.
const observer = new MutationObserver(() => {
  if (pendingTap !== null) {
    window.quorvelTapTimes.push([pendingTap, answered, performance.now()]);
    pendingTap = null;
  }
});
for (const name of ["screen-settings", "screen-nc"])
  observer.observe($(name), { childList: true, subtree: true });

// Keys typed on the phone go out in order: while one request is on its way,
// the next keys wait and then go together.
let typedAhead = "";
let typing = false;
async function sendTyped() {
  if (typing || !typedAhead)
    return;
  typing = true;
  const text = typedAhead;
  typedAhead = "";
  await call("api/settings/type", { text });
  typing = false;
  sendTyped();
}
$("phone").addEventListener("keydown", (event) => {
  if (event.key.length === 1 && !event.ctrlKey && !event.metaKey && !event.altKey) {
    event.preventDefault();
    typedAhead += event.key;
    sendTyped();
  }
});
$("type-form").addEventListener("submit", (event) => {
  event.preventDefault();
  const text = $("type-text").value;
  if (text)
    call("api/settings/type", { text }).then((state) => { if (state) $("type-text").value = ""; });
});
for (const button of document.querySelectorAll("#apps button"))
  button.addEventListener("click", () => call("api/app", { app: button.dataset.app }));
for (const button of document.querySelectorAll("[data-rate]"))
  button.addEventListener("click", () => call("api/clock", { rate: button.dataset.rate }));
$("next-timer").addEventListener("click", () => call("api/clock/next", {}));
for (const name of ["locked", "dnd", "roaming"]) {
  const path = name === "locked" ? "api/lock" : "api/" + name;
  $(name).addEventListener("change", () => call(path, { on: String($(name).checked) }));
}
$("answer-form").addEventListener("submit", (event) => {
  event.preventDefault();
  const form = new FormData(event.target);
  call("api/carrier/answer", { code: form.get("code"), text: form.get("text"), delay: form.get("delay") || "0" });
});
$("silence").addEventListener("click", () => call("api/carrier/silence", { code: $("answer-form").elements.code.value }));
$("menu-form").addEventListener("submit", (event) => {
  event.preventDefault();
  const form = new FormData(event.target);
  call("api/codes/menu", { code: form.get("code"), choices: form.get("choices") || "" });
});
$("sms-form").addEventListener("submit", (event) => {
  event.preventDefault();
  const form = new FormData(event.target);
  call("api/carrier/sms", { sender: form.get("sender"), text: form.get("text") });
});

function showLogLine(text) {
  const pre = $("log");
  const atEnd = pre.scrollTop + pre.clientHeight >= pre.scrollHeight - 4;
  pre.append(text + "\n");
  while (pre.childNodes.length > 2000)
    pre.firstChild.remove();
  if (atEnd)
    pre.scrollTop = pre.scrollHeight;
}

// The log streams as Server-Sent Events, read through fetch so that the
// token goes in a header as with every other request. When the stream
// breaks (the server ended it, or restarted) it resumes after the last line
// shown, a few seconds later.
let logNext = null;
async function followLog() {
  for (;;) {
    try {
      const response = await fetch("api/log" + (logNext === null ? "" : "?since=" + logNext), { headers, cache: "no-store" });
      if (response.ok) {
        const reader = response.body.pipeThrough(new TextDecoderStream()).getReader();
        let pending = "";
        for (;;) {
          const { value, done } = await reader.read();
          if (done)
            break;
          pending += value;
          for (let end = pending.indexOf("\n\n"); end >= 0; end = pending.indexOf("\n\n")) {
            const lines = pending.slice(0, end).split("\n");
            pending = pending.slice(end + 2);
            const data = lines.filter((line) => line.startsWith("data: ")).map((line) => line.slice(6));
            const id = lines.find((line) => line.startsWith("id: "));
            if (id)
              logNext = Number(id.slice(4)) + 1;
            if (data.length)
              showLogLine(data.join("\n"));
          }
        }
      }
    } catch (error) {
      // The server is away; try again below.
    }
    await new Promise((resolve) => setTimeout(resolve, 3000));
  }
}
followLog();
call("api/state");
setInterval(() => call("api/state"), 1000);
