// The list of reports under the panes, as the kelvo tool prints them
// (LINE:COL: label: text), a note under the report it belongs to. However
// many there are, only the rows in view are in the page: rows have one
// height, and the list is as tall as all of them.
export const rowHeight = 18;
const spare = 8;  // rows made beyond the view on each side

// What the tool prints before the text: the place, then the label.
export function printedLine(r) {
  const place = r.line === 0 ? "" : r.column === 0 ? `${r.line}: ` : `${r.line}:${r.column}: `;
  return `${place}${r.label ? `${r.label}: ` : ""}${r.printed}`;
}

// `scroller` scrolls, `list` (an <ol> in it) holds the rows. `goTo(report)`
// is called on a click of a row, `explain` (see explainer) gives the "?"
// link of a report's code, or none.
export function reportList(scroller, list, { goTo, explain }) {
  let reports = [];
  let drawn = null;  // [first, last) of the rows in the page, and of which reports
  let queued = false;

  function row(r, i) {
    const li = document.createElement("li");
    li.className = r.severity;
    li.style.top = `${i * rowHeight}px`;
    li.setAttribute("aria-posinset", String(i + 1));
    li.setAttribute("aria-setsize", String(reports.length));
    const text = document.createElement("span");
    text.className = "text";
    text.textContent = printedLine(r);
    li.title = text.textContent;
    li.append(text);
    if (r.line !== 0) li.addEventListener("click", () => goTo(r));
    const link = explain.link(r);
    if (link) li.append(link);
    return li;
  }

  function draw() {
    queued = false;
    const first = Math.max(0, Math.floor(scroller.scrollTop / rowHeight) - spare);
    const last = Math.min(reports.length, Math.ceil((scroller.scrollTop + scroller.clientHeight) / rowHeight) + spare);
    if (drawn && drawn.first === first && drawn.last === last && drawn.reports === reports) return;
    drawn = { first, last, reports };
    const rows = [];
    for (let i = first; i < last; ++i) rows.push(row(reports[i], i));
    list.replaceChildren(...rows);
  }

  scroller.addEventListener("scroll", () => {
    if (!queued) requestAnimationFrame(draw);
    queued = true;
  });
  return {
    show(list_) {
      reports = list_;
      list.style.height = `${reports.length * rowHeight}px`;
      list.setAttribute("aria-rowcount", String(reports.length));
      draw();
    },
  };
}

// The explanation of a report's code, where the module has explanations
// (kelvo.explain(code), and kelvo.explanations() listing the codes that
// have one): a "?" that opens its page in the panel. Without them, none.
export function explainer(kelvo, panel) {
  let listedBy = null;
  let known = null;  // the codes with a page, where the module lists them
  function has(code) {
    if (typeof kelvo.explain !== "function") return false;
    if (typeof kelvo.explanations !== "function") return true;
    if (listedBy !== kelvo.explanations) {
      listedBy = kelvo.explanations;
      try {
        const listed = kelvo.explanations();
        const codes = Array.isArray(listed) ? listed.map((e) => (typeof e === "string" ? e : e?.code)) : Object.keys(listed ?? {});
        known = new Set(codes.filter(Boolean));
      } catch {
        known = null;
      }
    }
    return !known || known.has(code);
  }
  const title = panel.querySelector(".title");
  const body = panel.querySelector(".body");
  panel.querySelector(".close").addEventListener("click", () => { panel.hidden = true; });

  function open(r) {
    let page = null;
    try { page = kelvo.explain(r.code); } catch { page = null; }
    const text = typeof page === "string" ? page : page?.text ?? page?.markdown ?? null;
    title.textContent = r.printed;
    body.textContent = text || "There is no explanation of this message yet.";
    panel.hidden = false;
  }

  return {
    link(r) {
      if (!has(r.code)) return null;
      const button = document.createElement("button");
      button.type = "button";
      button.className = "explain";
      button.textContent = "?";
      button.title = "What this means";
      button.addEventListener("click", (event) => {
        event.stopPropagation();
        open(r);
      });
      return button;
    },
  };
}
