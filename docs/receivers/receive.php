<?php
// A receiver for the recorder's uploads, for PHP's built-in server:
//
//   RECEIVER_STORE=/srv/store php -S 127.0.0.1:80 docs/receivers/receive.php
//
// The control POSTs to /workdesk/handle with the query keys asession, auser,
// adomain, taction, pdrive and target_dir, and a multipart/form-data body
// with the fields taction, target_dir, encode_target_dir, filename, auser,
// adomain, asession, client_ip, prog_ver, prog_name and the file part
// "file". Its texts are in the Windows code page of the user's machine
// (Latin-1 letters are single bytes such as E9 for é) and no charset is
// named: PHP hands them over as the bytes that were sent.
//
// The file is kept as <store>/<user>/<target_dir>/<file name>. The control
// counts any 2xx answer read to its end as success; an answer holding
// "lumo_quota_full" tells the user the quota is used up.
//
// With RECEIVER_DUMP=<file>, each upload also writes what PHP parsed, one
// item a line, every value as hex of its bytes:
//   query <key> <hex>
//   field <name> <hex>
//   file <field name> <hex of the file name> <size> <sha256 of the stored file>

// Answers `status` with a short text and ends the request.
function answer(int $status, string $text): void {
    http_response_code($status);
    header('Content-Type: text/plain');
    header('Content-Length: ' . strlen($text));
    echo $text;
    exit;
}

// A folder or file name that stays where it is put: not empty, no dot at its
// start (no "..", no hidden names), no slash, backslash or NUL byte.
function safe_name(string $name): bool {
    return $name !== '' && $name[0] !== '.' && strpbrk($name, "/\\\0") === false;
}

$path = parse_url($_SERVER['REQUEST_URI'], PHP_URL_PATH);
if ($_SERVER['REQUEST_METHOD'] !== 'POST' || $path !== '/workdesk/handle') {
    answer(404, "not here\n");
}
$store = getenv('RECEIVER_STORE');
if ($store === false || $store === '') {
    answer(500, "RECEIVER_STORE is not set\n");
}
$file = $_FILES['file'] ?? null;
if ($file === null || $file['error'] !== UPLOAD_ERR_OK) {
    answer(400, "no file part\n");
}

// PHP gives the file part's name without its folder (the control sends the
// whole local path, C:\...\LumoRecorder\take.wav).
$user = $_POST['auser'] ?? '';
// The target folder may name sub-folders (a/b) or be empty (the user's own).
$folders = array_values(array_filter(explode('/', $_POST['target_dir'] ?? ''), 'strlen'));
$name = $file['name'];
foreach (array_merge([$user, $name], $folders) as $part) {
    if (!safe_name($part)) {
        answer(400, "unsafe name\n");
    }
}
$folder = implode('/', array_merge([$store, $user], $folders));
if (!is_dir($folder) && !mkdir($folder, 0777, true)) {
    answer(500, "cannot make the folder\n");
}
$target = $folder . '/' . $name;
if (!move_uploaded_file($file['tmp_name'], $target)) {
    answer(500, "cannot store the file\n");
}

$dump = getenv('RECEIVER_DUMP');
if ($dump !== false && $dump !== '') {
    $lines = '';
    foreach ($_GET as $key => $value) {
        $lines .= "query $key " . bin2hex($value) . "\n";
    }
    foreach ($_POST as $key => $value) {
        $lines .= "field $key " . bin2hex($value) . "\n";
    }
    $lines .= 'file file ' . bin2hex($name) . ' ' . filesize($target) . ' '
        . hash_file('sha256', $target) . "\n";
    file_put_contents($dump, $lines);
}
answer(200, "OK\n");
