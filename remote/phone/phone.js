// The phone page's logic: one WebSocket brings the state as it changes and takes the commands;
// slide pictures are fetched at the phone's own pixel size.
"use strict";

(function () {
    const token = new URLSearchParams(location.search).get("token") || "";
    const byId = (id) => document.getElementById(id);
    let texts = {};
    let state = null;
    let socket = null;
    let controlling = false;
    let controller = "";
    const shown = { "current-image": "", "next-image": "" };

    function format(text, values) {
        let index = 0;
        return (text || "").replace(/%@/g, () => String(values[index++]));
    }

    function send(message) {
        if (socket && socket.readyState === WebSocket.OPEN)
            socket.send(JSON.stringify(message));
    }

    function command(name, extra) {
        if (controlling)
            send(Object.assign({ command: name }, extra || {}));
    }

    // The picture's box in device pixels; the program draws the slide into exactly that.
    function showPicture(id, page) {
        const image = byId(id);
        if (!state || page < 0) {
            image.removeAttribute("src");
            shown[id] = "";
            return;
        }
        const ratio = window.devicePixelRatio || 1;
        const width = Math.round(image.parentElement.clientWidth * ratio);
        const height = Math.round(width * 9 / 16);
        if (width < 16)
            return;
        const query = new URLSearchParams({ page: String(page), w: String(width), h: String(height),
                                            g: state.generation, token: token });
        const source = "slide?" + query.toString();
        if (shown[id] !== source) {
            shown[id] = source;
            image.src = source;
        }
    }

    function showTexts() {
        byId("previous").textContent = texts.previous || "";
        byId("next-button").textContent = texts.next || "";
        byId("go").textContent = texts.go || "";
        byId("slide-number").placeholder = texts.slideNumber || "";
        byId("next-caption").textContent = texts.nextSlide || "";
        byId("take-control").textContent = texts.takeControl || "";
        byId("offline").textContent = texts.disconnected || "";
    }

    function showControl() {
        byId("control-text").textContent = controlling ? texts.youControl
            : controller ? format(texts.controlledBy, [controller]) : texts.nobody;
        byId("take-control").hidden = controlling;
        document.body.classList.toggle("watching", !controlling);
    }

    function showState() {
        if (!state)
            return;
        byId("position").textContent = state.count > 0
            ? format(texts.slideOf, [state.slide, state.count]) + (state.typed ? " → " + state.typed : "")
            : "";
        byId("blanking").textContent = state.blanking === "black" ? texts.blackShown
            : state.blanking === "white" ? texts.whiteShown
            : state.presenting ? "" : texts.notPresenting;
        byId("black").textContent = state.blanking === "black" ? texts.show : texts.black;
        byId("white").textContent = state.blanking === "white" ? texts.show : texts.white;
        const timer = byId("timer");
        timer.textContent = state.talkTime;
        timer.className = state.talkColour ? "pace-" + state.talkColour : "";
        byId("external").textContent = state.external;
        const notes = byId("notes");
        // The program made this HTML from the speaker's own notes; the page's policy lets no
        // script in it run.
        if (state.notesHtml)
            notes.innerHTML = state.notesHtml;
        else
            notes.textContent = state.notesText || texts.noNotes;
        notes.classList.toggle("empty", !state.notesHtml && !state.notesText);
        byId("end").textContent = state.count > 0 && state.nextPage < 0 ? texts.end : "";
        showPicture("current-image", state.currentPage);
        showPicture("next-image", state.nextPage);
    }

    function receive(event) {
        const message = JSON.parse(event.data);
        if (message.type === "hello") {
            texts = message.texts || {};
            showTexts();
            showControl();
        } else if (message.type === "state") {
            state = message;
            showState();
        } else if (message.type === "control") {
            controlling = message.you;
            controller = message.controller;
            showControl();
        }
    }

    function connect() {
        const scheme = location.protocol === "https:" ? "wss:" : "ws:";
        socket = new WebSocket(scheme + "//" + location.host + "/phone?token=" +
                               encodeURIComponent(token));
        socket.onopen = () => { byId("offline").hidden = true; };
        socket.onmessage = receive;
        socket.onclose = () => {
            byId("offline").hidden = false;
            controlling = false;
            showControl();
            setTimeout(connect, 2000);
        };
    }

    function blankButton(colour) {
        command(state && state.blanking === colour ? "show" : colour);
    }

    function setUp() {
        byId("offline").hidden = true;
        for (const button of document.querySelectorAll("button[data-command]"))
            button.addEventListener("click", () => command(button.dataset.command));
        byId("black").addEventListener("click", () => blankButton("black"));
        byId("white").addEventListener("click", () => blankButton("white"));
        byId("take-control").addEventListener("click", () => send({ control: true }));
        byId("jump").addEventListener("submit", (event) => {
            event.preventDefault();
            const input = byId("slide-number");
            const number = parseInt(input.value, 10);
            if (number >= 1)
                command("goto", { slide: number });
            input.value = "";
            input.blur();
        });
        // A swipe to the left is the next slide, to the right the previous one.
        let start = null;
        const area = document.querySelector("main");
        area.addEventListener("touchstart", (event) => {
            start = event.touches.length === 1 ? event.touches[0] : null;
        }, { passive: true });
        area.addEventListener("touchend", (event) => {
            if (!start || event.changedTouches.length !== 1)
                return;
            const dx = event.changedTouches[0].clientX - start.clientX;
            const dy = event.changedTouches[0].clientY - start.clientY;
            start = null;
            if (Math.abs(dx) > 60 && Math.abs(dx) > 2 * Math.abs(dy))
                command(dx < 0 ? "next" : "previous");
        });
        let resizing = 0;
        window.addEventListener("resize", () => {
            clearTimeout(resizing);
            resizing = setTimeout(showState, 200);
        });
        connect();
    }

    document.addEventListener("DOMContentLoaded", setUp);
})();
