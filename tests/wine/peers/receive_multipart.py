"""A receiver for the recorder's uploads as an ASGI app under uvicorn, with
python-multipart parsing the body byte for byte:

  RECEIVER_STORE=<folder> RECEIVER_DUMP=<file> \\
    /usr/bin/python3 -m uvicorn --app-dir tests/wine/peers receive_multipart:app \\
    --host 127.0.80.4 --port 80

It keeps the file as <store>/<user>/<target_dir>/<file name> and writes what
it parsed to RECEIVER_DUMP in the lines of docs/receivers/receive.php.
"""

import hashlib
import io
import os
import urllib.parse

import multipart
import multipart.multipart


def safe_name(name: bytes) -> bool:
    return name != b"" and not name.startswith(b".") and not any(c in name for c in b"/\\\0")


async def answer(send, status: int, text: bytes) -> None:
    await send({"type": "http.response.start", "status": status,
                "headers": [(b"content-type", b"text/plain"),
                            (b"content-length", str(len(text)).encode())]})
    await send({"type": "http.response.body", "body": text})


async def app(scope, receive, send):
    if scope["type"] != "http":
        return
    if scope["method"] != "POST" or scope["path"] != "/workdesk/handle":
        await answer(send, 404, b"not here\n")
        return
    query = urllib.parse.parse_qsl(scope["query_string"].decode("latin-1"),
                                   keep_blank_values=True, encoding="latin-1")
    headers = dict(scope["headers"])
    content_type, options = multipart.multipart.parse_options_header(headers.get(b"content-type", b""))
    if content_type != b"multipart/form-data" or b"boundary" not in options:
        await answer(send, 400, b"not a multipart upload\n")
        return

    fields, files = [], []
    parser = multipart.FormParser(
        "multipart/form-data", fields.append, files.append, boundary=options[b"boundary"],
        config={"MAX_MEMORY_FILE_SIZE": 64 << 20})
    more = True
    while more:
        message = await receive()
        parser.write(message.get("body", b""))
        more = message.get("more_body", False)
    parser.finalize()

    values = {field.field_name: field.value or b"" for field in fields}
    if len(files) != 1 or files[0].field_name != b"file":
        await answer(send, 400, b"no file part\n")
        return
    upload = files[0]
    upload.file_object.seek(0)
    content = upload.file_object.read()
    # The control sends the whole local path; keep its last part.
    name = upload.file_name.replace(b"\\", b"/").rsplit(b"/", 1)[-1]
    user = values.get(b"auser", b"")
    folders = [part for part in values.get(b"target_dir", b"").split(b"/") if part]
    if not all(safe_name(part) for part in [user, name, *folders]):
        await answer(send, 400, b"unsafe name\n")
        return
    folder = os.path.join(os.fsencode(os.environ["RECEIVER_STORE"]), user, *folders)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as stored:
        stored.write(content)

    dump = os.environ.get("RECEIVER_DUMP")
    if dump:
        out = io.StringIO()
        for key, value in query:
            out.write(f"query {key} {value.encode('latin-1').hex()}\n")
        for field in fields:
            out.write(f"field {field.field_name.decode('latin-1')} {(field.value or b'').hex()}\n")
        out.write(f"file file {name.hex()} {len(content)} {hashlib.sha256(content).hexdigest()}\n")
        with open(dump, "w") as target:
            target.write(out.getvalue())
    await answer(send, 200, b"OK\n")
