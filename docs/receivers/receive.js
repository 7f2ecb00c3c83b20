// A receiver for the recorder's uploads, for Node's http module and busboy:
//
//   npm install busboy
//   RECEIVER_STORE=/srv/store node docs/receivers/receive.js 127.0.0.1 80
//
// The control POSTs to /workdesk/handle with the query keys asession, auser,
// adomain, taction, pdrive and target_dir, and a multipart/form-data body
// with the fields taction, target_dir, encode_target_dir, filename, auser,
// adomain, asession, client_ip, prog_ver, prog_name and the file part
// "file". Its texts are in the Windows code page of the user's machine
// (Latin-1 letters are single bytes such as E9 for é) and no charset is
// named. busboy reads such texts as UTF-8 unless told otherwise (é would
// arrive as U+FFFD); here every text is read as latin1, so that each
// character code is one byte as it was sent.
//
// The file is kept as <store>/<user>/<target_dir>/<file name>. The control
// counts any 2xx answer read to its end as success; an answer holding
// "lumo_quota_full" tells the user the quota is used up.
//
// With RECEIVER_DUMP=<file>, each upload also writes what was parsed, one
// item a line, every value as hex of its bytes:
//   query <key> <hex>
//   field <name> <hex>
//   file <field name> <hex of the file name> <size> <sha256 of the stored file>
'use strict';

const busboy = require('busboy');
const crypto = require('crypto');
const fs = require('fs');
const http = require('http');
const path = require('path');
const querystring = require('querystring');

const [address = '127.0.0.1', port = '80'] = process.argv.slice(2);
const store = process.env.RECEIVER_STORE;
const dump = process.env.RECEIVER_DUMP;

// The bytes of a latin1 string, which is how this receiver holds every text.
const bytes = (text) => Buffer.from(text, 'latin1');

// A folder or file name that stays where it is put: not empty, no dot at its
// start (no "..", no hidden names), no slash, backslash or NUL byte.
const safeName = (name) => name !== '' && name[0] !== '.' && !/[/\\\0]/.test(name);

function answer(response, status, text) {
  response.writeHead(status, {'Content-Type': 'text/plain', 'Content-Length': text.length});
  response.end(text);
}

// The query's values, percent-decoded byte for byte.
function parseQuery(url) {
  const query = url.includes('?') ? url.slice(url.indexOf('?') + 1) : '';
  return querystring.parse(query, '&', '=', {
    decodeURIComponent: (text) => querystring.unescapeBuffer(text).toString('latin1'),
  });
}

function receive(request, response) {
  if (request.method !== 'POST' || request.url.split('?')[0] !== '/workdesk/handle') {
    return answer(response, 404, 'not here\n');
  }
  const query = parseQuery(request.url);
  const fields = [];
  let file = null;  // {name, chunks}
  let parser;
  try {
    parser = busboy({
      headers: request.headers,
      defCharset: 'latin1',       // field values
      defParamCharset: 'latin1',  // the file name
    });
  } catch (error) {
    return answer(response, 400, 'not a multipart upload\n');
  }
  parser.on('field', (name, value) => fields.push([name, value]));
  // busboy gives the file name without its folder (the control sends the
  // whole local path, C:\...\LumoRecorder\take.wav).
  parser.on('file', (name, stream, info) => {
    const chunks = [];
    stream.on('data', (chunk) => chunks.push(chunk));
    if (name === 'file') {
      file = {name: info.filename, chunks};
    } else {
      stream.resume();
    }
  });
  parser.on('error', () => answer(response, 400, 'bad multipart body\n'));
  parser.on('close', () => {
    const value = (name) => (fields.find(([key]) => key === name) || [name, ''])[1];
    const user = value('auser');
    // The target folder may name sub-folders (a/b) or be empty (the user's own).
    const folders = value('target_dir').split('/').filter((part) => part !== '');
    if (file === null || ![user, file.name, ...folders].every(safeName)) {
      return answer(response, 400, 'no file part or unsafe name\n');
    }
    const folder = path.join(store, ...[user, ...folders]);
    const content = Buffer.concat(file.chunks);
    // Paths as bytes, so that a Latin-1 name is stored as it was sent.
    fs.mkdirSync(bytes(folder), {recursive: true});
    fs.writeFileSync(bytes(path.join(folder, file.name)), content);
    if (dump) {
      const lines = [
        ...Object.entries(query).map(([key, text]) => `query ${key} ${bytes(text).toString('hex')}`),
        ...fields.map(([key, text]) => `field ${key} ${bytes(text).toString('hex')}`),
        `file file ${bytes(file.name).toString('hex')} ${content.length} ` +
            crypto.createHash('sha256').update(content).digest('hex'),
      ];
      fs.writeFileSync(dump, lines.join('\n') + '\n');
    }
    answer(response, 200, 'OK\n');
  });
  request.pipe(parser);
}

if (!store) {
  console.error('RECEIVER_STORE is not set');
  process.exit(2);
}
http.createServer(receive).listen(Number(port), address);
