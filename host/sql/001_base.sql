-- Facts about the host itself, read by the start-up functions.
CREATE TABLE host_meta (
    key   TEXT PRIMARY KEY,
    value TEXT NOT NULL
);

-- The DLL version text: its first character is the release family ("x"), its last
-- three characters the backend level.
INSERT INTO host_meta (key, value) VALUES ('dll_version', 'x6.0.006');
INSERT INTO host_meta (key, value) VALUES ('bytes_per_char', '1');

-- Program scripts of the sessions; tivn is the script's level.
CREATE TABLE qxzrn230 (
    cpac TEXT,
    cmod TEXT,
    cprs TEXT,
    vers TEXT,
    rele TEXT,
    cust TEXT,
    tivn INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (cpac, cmod, cprs, vers, rele, cust)
);
