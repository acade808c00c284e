-- The data dictionary and the other host objects the editor looks up: versions,
-- domains and enums, tables and their fields, sessions, forms, menus, scripts, icons.
-- Conventions as in 002_design.sql.

-- Versions of a package (version, release, customer). devl 1 marks a development
-- version (its forms open for editing); the origin is where new components of that
-- version are created. actv 1 marks the version that look-ups naming no version use.
CREATE TABLE qxscm100 (
    cpac TEXT NOT NULL CHECK (length(cpac) <= 2),
    vers TEXT NOT NULL CHECK (length(vers) <= 4),
    rele TEXT NOT NULL CHECK (length(rele) <= 2),
    cust TEXT NOT NULL CHECK (length(cust) <= 4),
    devl INTEGER NOT NULL DEFAULT 2 CHECK (devl IN (1, 2)),
    orpa TEXT NOT NULL,
    orve TEXT NOT NULL,
    orre TEXT NOT NULL,
    orcu TEXT NOT NULL,
    actv INTEGER NOT NULL DEFAULT 2 CHECK (actv IN (1, 2)),
    desc TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (cpac, vers, rele, cust)
);

-- Domains. dtyp is a constant of the enum domain zrn.type: 1 byte, 2 integer, 3 long,
-- 4 float, 5 amount, 6 string, 7 enumerate, 8 set, 9 date, 10 multi-line text,
-- 11 host text, 12 date and time, 14 binary object. leng is the length (a text's
-- characters), lene the display length, digb and diga the digits before and after
-- the point; chkb 1 lets an enumerate show as a check box whose yes value is yesv;
-- segm 1 marks a segmented code.
CREATE TABLE qxzrn400 (
    cpac TEXT NOT NULL CHECK (length(cpac) <= 2),
    cdom TEXT NOT NULL CHECK (length(cdom) BETWEEN 1 AND 12),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    desc TEXT NOT NULL DEFAULT '',
    leng INTEGER NOT NULL DEFAULT 0,
    lene INTEGER NOT NULL DEFAULT 0,
    difo TEXT NOT NULL DEFAULT '' CHECK (length(difo) <= 30),
    digb INTEGER NOT NULL DEFAULT 0,
    diga INTEGER NOT NULL DEFAULT 0,
    dtyp INTEGER NOT NULL CHECK (dtyp BETWEEN 1 AND 14),
    chkb INTEGER NOT NULL DEFAULT 2 CHECK (chkb IN (1, 2)),
    segm INTEGER NOT NULL DEFAULT 2 CHECK (segm IN (1, 2)),
    yesv INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (cpac, cdom, vers, rele, cust)
);

-- Constants of enumerate and set domains.
CREATE TABLE qxzrn401 (
    cpac TEXT NOT NULL,
    cdom TEXT NOT NULL,
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    cnst INTEGER NOT NULL CHECK (cnst BETWEEN 0 AND 9999),
    ctnm TEXT NOT NULL CHECK (length(ctnm) BETWEEN 1 AND 15),
    PRIMARY KEY (cpac, cdom, vers, rele, cust, cnst),
    UNIQUE (cpac, cdom, vers, rele, cust, ctnm),
    FOREIGN KEY (cpac, cdom, vers, rele, cust) REFERENCES qxzrn400 (cpac, cdom, vers, rele, cust)
);

-- Descriptions of the constants, per language.
CREATE TABLE qxzrn402 (
    cpac TEXT NOT NULL,
    cdom TEXT NOT NULL,
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    cnst INTEGER NOT NULL,
    clan TEXT NOT NULL CHECK (length(clan) = 1),
    edes TEXT NOT NULL DEFAULT '' CHECK (length(edes) <= 40),
    PRIMARY KEY (cpac, cdom, vers, rele, cust, cnst, clan),
    FOREIGN KEY (cpac, cdom, vers, rele, cust, cnst)
        REFERENCES qxzrn401 (cpac, cdom, vers, rele, cust, cnst)
);

-- Tables. A table code is package, module and number written together ("tekwy001").
CREATE TABLE qxzrn420 (
    cpac TEXT NOT NULL CHECK (length(cpac) = 2),
    cmod TEXT NOT NULL CHECK (length(cmod) = 3),
    flno TEXT NOT NULL CHECK (length(flno) = 3),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    desc TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (cpac, cmod, flno, vers, rele, cust)
);

-- Fields of the tables, numbered by fdno. comb 1: a combined field (its parts in
-- qxzrn423); dept: array depth (0 plain); mand 1: mandatory; acti 2: not active;
-- rfpa, rfmo, rffn, rffd: the referenced table and field; refm, rfin, rfup, rfde:
-- the reference's mode and its insert, update and delete rules; rfmc, rfmp: the
-- message (and its package) shown when the reference is not found; clab: the label.
CREATE TABLE qxzrn422 (
    cpac TEXT NOT NULL,
    cmod TEXT NOT NULL,
    flno TEXT NOT NULL,
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    fdnm TEXT NOT NULL CHECK (length(fdnm) BETWEEN 1 AND 8),
    fdno INTEGER NOT NULL CHECK (fdno BETWEEN 1 AND 9999),
    comb INTEGER NOT NULL DEFAULT 2 CHECK (comb IN (1, 2)),
    pacd TEXT NOT NULL DEFAULT '' CHECK (length(pacd) <= 2),
    cdom TEXT NOT NULL DEFAULT '' CHECK (length(cdom) <= 12),
    repf INTEGER NOT NULL DEFAULT 2 CHECK (repf IN (1, 2)),
    dept INTEGER NOT NULL DEFAULT 0 CHECK (dept BETWEEN 0 AND 999),
    mand INTEGER NOT NULL DEFAULT 2 CHECK (mand IN (1, 2)),
    iniv TEXT NOT NULL DEFAULT '' CHECK (length(iniv) <= 30),
    acti INTEGER NOT NULL DEFAULT 1 CHECK (acti IN (1, 2)),
    rfpa TEXT NOT NULL DEFAULT '' CHECK (length(rfpa) <= 2),
    rfmo TEXT NOT NULL DEFAULT '' CHECK (length(rfmo) <= 3),
    rffn TEXT NOT NULL DEFAULT '' CHECK (length(rffn) <= 3),
    rffd TEXT NOT NULL DEFAULT '' CHECK (length(rffd) <= 8),
    refm INTEGER NOT NULL DEFAULT 0,
    rfin INTEGER NOT NULL DEFAULT 0,
    rfup INTEGER NOT NULL DEFAULT 0,
    rfde INTEGER NOT NULL DEFAULT 0,
    rfmc TEXT NOT NULL DEFAULT '' CHECK (length(rfmc) <= 12),
    rfmp TEXT NOT NULL DEFAULT '' CHECK (length(rfmp) <= 2),
    clab TEXT NOT NULL DEFAULT '' CHECK (length(clab) <= 17),
    PRIMARY KEY (cpac, cmod, flno, vers, rele, cust, fdnm),
    UNIQUE (cpac, cmod, flno, vers, rele, cust, fdno),
    FOREIGN KEY (cpac, cmod, flno, vers, rele, cust) REFERENCES qxzrn420 (cpac, cmod, flno, vers, rele, cust)
);

-- Index fields of the tables: part sequ of index indx is field fdnm.
CREATE TABLE qxzrn421 (
    cpac TEXT NOT NULL,
    cmod TEXT NOT NULL,
    flno TEXT NOT NULL,
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    indx INTEGER NOT NULL CHECK (indx >= 1),
    sequ INTEGER NOT NULL CHECK (sequ >= 1),
    fdnm TEXT NOT NULL,
    PRIMARY KEY (cpac, cmod, flno, vers, rele, cust, indx, sequ),
    FOREIGN KEY (cpac, cmod, flno, vers, rele, cust, fdnm)
        REFERENCES qxzrn422 (cpac, cmod, flno, vers, rele, cust, fdnm)
);

-- Parts of combined fields: part sequ of combined field fdnm is field part of the
-- same table.
CREATE TABLE qxzrn423 (
    cpac TEXT NOT NULL,
    cmod TEXT NOT NULL,
    flno TEXT NOT NULL,
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    fdnm TEXT NOT NULL,
    sequ INTEGER NOT NULL CHECK (sequ >= 1),
    part TEXT NOT NULL,
    PRIMARY KEY (cpac, cmod, flno, vers, rele, cust, fdnm, sequ),
    FOREIGN KEY (cpac, cmod, flno, vers, rele, cust, fdnm)
        REFERENCES qxzrn422 (cpac, cmod, flno, vers, rele, cust, fdnm),
    FOREIGN KEY (cpac, cmod, flno, vers, rele, cust, part)
        REFERENCES qxzrn422 (cpac, cmod, flno, vers, rele, cust, fdnm)
);

-- Sessions. stsc is the start mode (1 and 5 run on the main table mpac, mmod, mfln);
-- cmop and cprs are the module and the program script of the session.
CREATE TABLE qxzrn200 (
    cpac TEXT NOT NULL CHECK (length(cpac) <= 2),
    cmod TEXT NOT NULL CHECK (length(cmod) <= 3),
    cses TEXT NOT NULL CHECK (length(cses) BETWEEN 1 AND 8),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    stsc INTEGER NOT NULL DEFAULT 0,
    cmop TEXT NOT NULL DEFAULT '' CHECK (length(cmop) <= 3),
    cprs TEXT NOT NULL DEFAULT '' CHECK (length(cprs) <= 9),
    mpac TEXT NOT NULL DEFAULT '' CHECK (length(mpac) <= 2),
    mmod TEXT NOT NULL DEFAULT '' CHECK (length(mmod) <= 3),
    mfln TEXT NOT NULL DEFAULT '' CHECK (length(mfln) <= 3),
    desc TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (cpac, cmod, cses, vers, rele, cust)
);

-- View fields of a session: the fields of its main table that the overview shows.
CREATE TABLE qxzrn205 (
    cpac TEXT NOT NULL,
    cmod TEXT NOT NULL,
    cses TEXT NOT NULL,
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    sequ INTEGER NOT NULL CHECK (sequ >= 1),
    tabl TEXT NOT NULL CHECK (length(tabl) = 8),
    fdnm TEXT NOT NULL,
    PRIMARY KEY (cpac, cmod, cses, vers, rele, cust, sequ),
    FOREIGN KEY (cpac, cmod, cses, vers, rele, cust) REFERENCES qxzrn200 (cpac, cmod, cses, vers, rele, cust)
);

-- Forms. lanl is the label language; ftyp 1 marks a form of the form editor's own
-- type (the host's form-type check succeeds), 2 any other.
CREATE TABLE qxzrn300 (
    clan TEXT NOT NULL CHECK (length(clan) = 1),
    cpac TEXT NOT NULL CHECK (length(cpac) <= 2),
    cmod TEXT NOT NULL CHECK (length(cmod) <= 3),
    cfrm TEXT NOT NULL CHECK (length(cfrm) BETWEEN 1 AND 9),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    lanl TEXT NOT NULL DEFAULT '' CHECK (length(lanl) <= 1),
    desc TEXT NOT NULL DEFAULT '' CHECK (length(desc) <= 60),
    ftyp INTEGER NOT NULL DEFAULT 1 CHECK (ftyp IN (1, 2)),
    PRIMARY KEY (clan, cpac, vers, rele, cust, cmod, cfrm)
);

-- Menus, per language.
CREATE TABLE qxzrn360 (
    clan TEXT NOT NULL CHECK (length(clan) = 1),
    cpac TEXT NOT NULL,
    cmod TEXT NOT NULL,
    cmen TEXT NOT NULL CHECK (length(cmen) BETWEEN 1 AND 8),
    parm TEXT NOT NULL DEFAULT '' CHECK (length(parm) <= 1),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    desc TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (clan, cpac, cmod, cmen, parm, vers, rele, cust)
);

-- Program scripts get a description.
ALTER TABLE qxzrn230 ADD COLUMN desc TEXT NOT NULL DEFAULT '';

-- Icons of the forms, grouped by icgp (the package followed by "form_"), with the
-- picture itself and the name of the file it is handed out in.
CREATE TABLE qxzwk903 (
    icgp TEXT NOT NULL CHECK (length(icgp) BETWEEN 1 AND 16),
    icon TEXT NOT NULL CHECK (length(icon) BETWEEN 1 AND 16),
    desc TEXT NOT NULL DEFAULT '',
    file TEXT NOT NULL,
    pict BLOB NOT NULL,
    PRIMARY KEY (icgp, icon)
);
