#include "io/KivViewer.h"

#include <QString>

namespace zemo {

namespace {

// Plain ASCII without "</" so that it stays inside its SCRIPT element.
constexpr const char* Viewer = R"js(function ZemoMap(box, levelFile) {
  "use strict";
  if (!box) return;
  var param = {};
  var params = box.getElementsByTagName("param");
  for (var i = 0; i < params.length; ++i)
    param[(params[i].getAttribute("name") || "").toLowerCase()] = params[i].getAttribute("value") || "";
  // The text for browsers without the viewer goes.
  Array.prototype.slice.call(box.childNodes).forEach(function (n) {
    if (n.nodeType === 3) box.removeChild(n);
  });

  var bytes = "";
  try { bytes = atob(levelFile); } catch (e) {}
  function byte(at) { return bytes.charCodeAt(at); }
  function le16(at) { return byte(at) | byte(at + 1) << 8; }
  function be16(at) { return byte(at) << 8 | byte(at + 1); }
  function be64(at) {
    var v = new DataView(new ArrayBuffer(8));
    for (var k = 0; k < 8; ++k) v.setUint8(k, byte(at + k));
    return v.getFloat64(0);
  }
  // The level file: a header, then a record per level, the most reduced first.
  var levels = [], tw = 0, th = 0, dpi = 0;
  if (bytes.length >= 20 && (bytes.length - 20) % 32 === 0 && le16(0) === 0x5E71 && le16(2) === 597) {
    tw = be16(8); th = be16(10); dpi = be16(18);
    for (var r = 20; r < bytes.length; r += 32)
      levels.push({first: be16(r + 2), columns: be16(r + 4), rows: be16(r + 6),
                   scale: be64(r + 8), x: be64(r + 16), y: be64(r + 24)});
  }
  var full = levels.length ? levels[levels.length - 1].scale : 0;
  if (!(tw > 0 && th > 0 && dpi > 0 && full > 0) || !levels.every(function (l) {
        return l.scale > 0 && isFinite(l.scale) && isFinite(l.x) && isFinite(l.y) && l.columns > 0 && l.rows > 0;
      }))
    levels = [];
  // Metres a tile pixel covers: the tile's step on paper, whole hundredths of a millimetre.
  levels.forEach(function (l) {
    var zoom = full / l.scale;
    l.mx = Math.round(tw / dpi * 2540 / zoom) * 256 / tw * full / 2.56e7;
    l.my = Math.round(th / dpi * 2540 / zoom) * 256 / th * full / 2.56e7;
  });

  var width = parseInt(box.getAttribute("width"), 10) || 0, height = parseInt(box.getAttribute("height"), 10) || 0;
  var vw = levels.length ? 2 * tw : Math.max(width - 20, 0), vh = levels.length ? 2 * th : Math.max(height - 20, 0);
  width = Math.max(width, vw); height = Math.max(height, vh);
  var frameLeft = Math.floor((width - vw) / 2), frameTop = Math.floor((height - vh) / 2);
  box.style.cssText = "display:block;position:relative;overflow:hidden;background:#c0c0c0;width:" + width + "px";
  // The zoom-out button has a band of its own above the map: it covers none of the map.
  var button = null, band = 0;
  if ("zoomout" in param) {
    button = document.createElement("button");
    button.type = "button";
    button.textContent = param.zoomout;
    box.appendChild(at(button, frameLeft, frameTop));
    band = button.offsetHeight + frameTop;
  }
  box.style.height = height + band + "px";
  var view = document.createElement("div");
  view.style.cssText = "position:absolute;overflow:hidden;background:#fff;cursor:move;touch-action:none;outline:none;" +
                       "left:" + frameLeft + "px;top:" + (frameTop + band) +
                       "px;width:" + vw + "px;height:" + vh + "px";
  view.tabIndex = 0;
  var tiles = document.createElement("div"), marks = document.createElement("div");
  view.appendChild(tiles);
  view.appendChild(marks);
  box.appendChild(view);

  var level = 0, cx = levels.length ? levels[0].x : 0, cy = levels.length ? levels[0].y : 0;
  var pointer = null, spots = [], outline = [], colour = "rgb(0,0,255)", loaded = {};
  var stem = encodeURIComponent(param.filename || "");

  // A place in metres on the level's tiles in pixels, and back.
  function pixel(l, x, y) { return [l.columns * tw / 2 + (x - l.x) / l.mx, l.rows * th / 2 - (y - l.y) / l.my]; }
  function place(l, px, py) { return [l.x + (px - l.columns * tw / 2) * l.mx, l.y - (py - l.rows * th / 2) * l.my]; }
  function clamp(v, lo, hi) { return Math.min(Math.max(v, lo), hi); }
  // The view stays on the tiles: centred on a level smaller than it, else within it.
  function fit(p, size, side) { return size <= side ? size / 2 : clamp(p, side / 2, size - side / 2); }
  function at(e, left, top) {
    e.style.position = "absolute";
    e.style.left = left + "px";
    e.style.top = top + "px";
    return e;
  }
  function svg(tag, attributes) {
    var e = document.createElementNS("http://www.w3.org/2000/svg", tag);
    for (var a in attributes) e.setAttribute(a, attributes[a]);
    return e;
  }

  function paint() {
    if (!levels.length) return;
    var l = levels[level];
    var p = pixel(l, cx, cy);
    p = [fit(p[0], l.columns * tw, vw), fit(p[1], l.rows * th, vh)];
    var c = place(l, p[0], p[1]);
    cx = c[0]; cy = c[1];
    var left = Math.round(p[0] - vw / 2), top = Math.round(p[1] - vh / 2);
    tiles.textContent = "";
    for (var row = Math.max(0, Math.floor(top / th)); row < Math.min(l.rows, Math.ceil((top + vh) / th)); ++row)
      for (var column = Math.max(0, Math.floor(left / tw)); column < Math.min(l.columns, Math.ceil((left + vw) / tw));
           ++column) {
        // Tiles run from the top row down, left to right.
        var n = l.first + row * l.columns + column;
        var img = loaded[n];
        if (!img) {
          img = loaded[n] = document.createElement("img");
          img.alt = "";
          img.draggable = false;
          img.width = tw;
          img.height = th;
          img.onerror = function () { this.style.visibility = "hidden"; };
          img.src = stem + "_" + n + ".gif";
        }
        tiles.appendChild(at(img, column * tw - left, row * th - top));
      }
    marks.textContent = "";
    if (outline.length) {
      var xs = outline.map(function (o) { return o[0]; }), ys = outline.map(function (o) { return o[1]; });
      var x0 = Math.min.apply(null, xs), y0 = Math.min.apply(null, ys);
      var w = Math.max.apply(null, xs) - x0 + 1, h = Math.max.apply(null, ys) - y0 + 1;
      var points = outline.map(function (o) { return (o[0] - x0 + 0.5) + "," + (o[1] - y0 + 0.5); }).join(" ");
      spots.forEach(function (s) {
        var q = pixel(l, s.x, s.y);
        var a = at(document.createElement("a"), Math.round(q[0]) - left + x0, Math.round(q[1]) - top + y0);
        a.href = s.link;
        a.title = s.link;
        a.className = "hotspot";
        a.style.width = w + "px";
        a.style.height = h + "px";
        a.style.cursor = "pointer";
        var g = svg("svg", {width: w, height: h});
        g.style.display = "block";
        g.appendChild(svg("polygon", {points: points, fill: "none", stroke: colour, "shape-rendering": "crispEdges"}));
        a.appendChild(g);
        marks.appendChild(a);
      });
    }
    if (pointer) {
      var q = pixel(l, pointer[0], pointer[1]);
      var m = at(svg("svg", {width: 15, height: 15, "class": "pointer"}), Math.round(q[0]) - left - 7,
                 Math.round(q[1]) - top - 7);
      m.style.pointerEvents = "none";
      m.appendChild(svg("path", {d: "M7.5 0V15M0 7.5H15", stroke: "#f00", "stroke-width": 3,
                                 "shape-rendering": "crispEdges"}));
      marks.appendChild(m);
    }
  }

  // Another level, the place under the view's point (sx, sy) kept there.
  function zoom(k, sx, sy) {
    k = clamp(k, 0, levels.length - 1);
    if (!levels.length || k === level) return;
    var l = levels[level], p = pixel(l, cx, cy);
    var m = place(l, p[0] + sx - vw / 2, p[1] + sy - vh / 2);
    var q = pixel(levels[k], m[0], m[1]);
    var c = place(levels[k], q[0] - sx + vw / 2, q[1] - sy + vh / 2);
    level = k; cx = c[0]; cy = c[1];
    paint();
  }
  function move(dx, dy) {
    if (!levels.length) return;
    var l = levels[level], p = pixel(l, cx, cy);
    var c = place(l, p[0] + dx, p[1] + dy);
    cx = c[0]; cy = c[1];
    paint();
  }
  function inView(e) {
    var r = view.getBoundingClientRect();
    return [e.clientX - r.left, e.clientY - r.top];
  }

  var drag = null;
  view.addEventListener("pointerdown", function (e) {
    if (e.button !== 0 || (e.target.closest && e.target.closest("a, button"))) return;
    try { view.setPointerCapture(e.pointerId); } catch (x) {}
    drag = {x: e.clientX, y: e.clientY, moved: false};
    // For the keys; the page stays where it is under the mouse.
    view.focus({preventScroll: true});
    e.preventDefault();
  });
  view.addEventListener("pointermove", function (e) {
    if (!drag) return;
    var dx = e.clientX - drag.x, dy = e.clientY - drag.y;
    if (!drag.moved && Math.abs(dx) + Math.abs(dy) < 4) return;
    drag.moved = true;
    drag.x = e.clientX; drag.y = e.clientY;
    move(-dx, -dy);
  });
  view.addEventListener("pointerup", function (e) {
    if (!drag) return;
    var clicked = !drag.moved;
    drag = null;
    if (clicked) {
      var s = inView(e);
      zoom(level + (e.shiftKey ? -1 : 1), s[0], s[1]);
    }
  });
  view.addEventListener("pointercancel", function () { drag = null; });
  view.addEventListener("wheel", function (e) {
    e.preventDefault();
    var s = inView(e);
    if (e.deltaY) zoom(level + (e.deltaY < 0 ? 1 : -1), s[0], s[1]);
  }, {passive: false});
  view.addEventListener("keydown", function (e) {
    var steps = {ArrowLeft: [-vw / 4, 0], ArrowRight: [vw / 4, 0], ArrowUp: [0, -vh / 4], ArrowDown: [0, vh / 4]};
    if (e.key === "+" || e.key === "=") zoom(level + 1, vw / 2, vh / 2);
    else if (e.key === "-") zoom(level - 1, vw / 2, vh / 2);
    else if (steps[e.key]) move(steps[e.key][0], steps[e.key][1]);
    else return;
    e.preventDefault();
  });
  if (button) button.addEventListener("click", function () { zoom(level - 1, vw / 2, vh / 2); });

  // What the page's scripts call on the applet.
  var calls = {
    // "level,x,y": that level centred on the place, marked.
    setPointerFromString: function (s) {
      var v = String(s).split(",").map(Number);
      if (v.length !== 3 || !v.every(isFinite) || !levels.length) return;
      level = clamp(Math.round(v[0]), 0, levels.length - 1);
      cx = v[1]; cy = v[2];
      pointer = [cx, cy];
      paint();
    },
    resetHotspot: function () { outline = []; },
    setHotspotColor: function (r, g, b) { colour = "rgb(" + (r | 0) + "," + (g | 0) + "," + (b | 0) + ")"; },
    drawHotspot: function (x, y) { outline.push([x | 0, y | 0]); },
    clearHotspots: function () { spots = []; },
    addHotspot: function (x, y, link) { spots.push({x: Number(x), y: Number(y), link: String(link)}); },
    repaint: paint
  };
  if (box.getAttribute("name")) document[box.getAttribute("name")] = calls;

  function fromAddress() {
    var h = location.hash.slice(1);
    try { h = decodeURIComponent(h); } catch (e) {}
    if (h.indexOf("find=") === 0) {
      var form = document.forms.findForm, select = form && form.elements.selectName;
      for (var k = 1; select && k < select.options.length; ++k)
        if (select.options[k].text.trim() === h.slice(5).trim()) {
          select.selectedIndex = k;
          select.dispatchEvent(new Event("change"));
          break;
        }
    } else if (h) {
      calls.setPointerFromString(h);
    }
  }
  window.addEventListener("hashchange", fromAddress);
  if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", fromAddress);
  else fromAddress();
  paint();
})js";

} // namespace

QStringList KivViewerLines(const QByteArray& levelFile)
{
    QStringList lines = QString::fromLatin1(Viewer).split(u'\n');
    for (QString& l : lines)
        if (!l.isEmpty())
            l.prepend(QStringLiteral("    "));
    lines << QStringLiteral("    ZemoMap(document.getElementsByName(\"map\")[0], \"%1\");")
                 .arg(QString::fromLatin1(levelFile.toBase64()));
    return lines;
}

} // namespace zemo
