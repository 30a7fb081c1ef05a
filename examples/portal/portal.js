// The licence portal's check of pasted identifiers: each line of the
// textarea is checked as it is typed, by the C checker (window.VeskHostId),
// and shown accepted with its kind, or refused with its group marked, the
// character at fault under a caret, and the checker's message.
(function () {
  'use strict';
  const { checkLines, describeKind } = window.VeskHostId;
  const input = document.getElementById('identifiers');
  const list = document.getElementById('lines');
  const summary = document.getElementById('summary');
  const send = document.getElementById('send');

  // A character as it is shown: the invisible ones named, so that a
  // non-breaking space or a byte-order mark can be seen where it is.
  function visible(character) {
    if (character === '\u00a0') return '\u00b7';
    if (character === '\ufeff' || character === '\u200b') return '\u00a6';
    if (character === '\t') return '\u2192';
    return character;
  }

  // The line's text with the faulty group and the faulty character marked.
  function typedLine(text, result) {
    const span = document.createElement('span');
    span.className = 'typed';
    const characters = Array.from(text); // by code point: a pair stays whole
    let unit = 0;
    let group = null;
    const groupStart = result.group > 0 ? groupOffset(text, result.group) : -1;
    for (const character of characters) {
      // A group's place is its five characters and the dash after them.
      const inGroup = groupStart >= 0 && unit >= groupStart &&
        unit < groupStart + (result.group < 4 ? 6 : 5);
      let node = document.createTextNode(visible(character));
      if (unit === result.position) {
        const mark = document.createElement('mark');
        mark.className = 'fault';
        mark.dataset.position = String(unit);
        mark.title = `U+${character.codePointAt(0).toString(16).toUpperCase().padStart(4, '0')}`;
        mark.appendChild(node);
        node = mark;
      }
      if (inGroup) {
        if (group === null) {
          group = document.createElement('mark');
          group.className = 'group';
          group.dataset.group = String(result.group);
          span.appendChild(group);
        }
        group.appendChild(node);
      } else {
        group = null;
        span.appendChild(node);
      }
      unit += character.length;
    }
    return span;
  }

  // Where a group begins in the line (UTF-16 units): after the blanks and
  // the "X:" prefix that the checker takes.
  function groupOffset(text, group) {
    let start = 0;
    while (start < text.length && ' \t\r\v\f'.includes(text[start])) start++;
    if (text[start + 1] === ':') start += 2;
    return start + (group - 1) * 6;
  }

  function caretLine(text, position) {
    const caret = document.createElement('div');
    caret.className = 'caret';
    caret.setAttribute('aria-hidden', 'true');
    const before = Array.from(text.slice(0, position)).map(visible).join('');
    caret.textContent = ' '.repeat(Array.from(before).length) + '^';
    return caret;
  }

  function show() {
    const block = input.value;
    const results = checkLines(block);
    list.replaceChildren();
    let accepted = 0;
    for (const result of results) {
      const item = document.createElement('li');
      const text = block.slice(result.start, result.end).replace(/\r$/, '');
      const verdict = document.createElement('div');
      verdict.className = 'verdict';
      if (result.valid) {
        accepted++;
        item.className = 'accepted';
        item.dataset.kind = result.letter;
        verdict.textContent = `Line ${result.line}: accepted, ${result.letter}:${result.text}, ` +
          describeKind(result.kind);
        item.append(verdict);
      } else {
        item.className = 'refused';
        item.dataset.fault = result.fault;
        item.dataset.group = String(result.group);
        item.dataset.position = String(result.position);
        verdict.textContent = `Line ${result.line}: refused` +
          (result.group > 0 ? `, group ${result.group}` : '');
        const message = document.createElement('div');
        message.className = 'message';
        message.textContent = result.message;
        item.append(verdict, typedLine(text, result), caretLine(text, result.position), message);
      }
      list.append(item);
    }
    const refused = results.length - accepted;
    summary.textContent = results.length === 0 ? 'Nothing pasted yet.'
      : `${accepted} accepted, ${refused} refused.`;
    send.disabled = results.length === 0 || refused > 0;
  }

  input.addEventListener('input', show);
  document.getElementById('licence').addEventListener('submit', (event) => {
    event.preventDefault();
    summary.textContent = 'Every line is an identifier: the request would go to the vendor now.';
  });
  show();
})();
