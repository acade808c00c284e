-- Design definitions of screen forms.
--
-- Conventions of every host table from here on:
-- * Texts are kept without the blanks that pad fixed-width values (version "7.6 " is
--   stored as '7.6', the standard customer "    " as ''); the host functions trim what
--   they are given before they compare or store it.
-- * Booleans are 1 (yes) and 2 (no).
-- * Columns carry the host's column codes, in the order of the host's record layouts.
--
-- Every design row is keyed by the form identity: language clan, package cpac, version
-- vers, release rele, customer cust, module cmod and form code cfrm (the host's first
-- index of these tables, in that order), followed by the row's own number.

-- Groups. Group 1 is the form itself; group links hold group numbers (0 none), fld1
-- holds the order number (omod) of the group's first field.
CREATE TABLE qxzrn315 (
    clan    TEXT NOT NULL CHECK (length(clan) <= 1),
    cpac    TEXT NOT NULL CHECK (length(cpac) <= 2),
    vers    TEXT NOT NULL CHECK (length(vers) <= 4),
    rele    TEXT NOT NULL CHECK (length(rele) <= 2),
    cust    TEXT NOT NULL CHECK (length(cust) <= 4),
    cmod    TEXT NOT NULL CHECK (length(cmod) <= 3),
    cfrm    TEXT NOT NULL CHECK (length(cfrm) BETWEEN 1 AND 9),
    grpi    INTEGER NOT NULL CHECK (grpi BETWEEN 1 AND 32767),
    repe    INTEGER NOT NULL DEFAULT 2 CHECK (repe IN (1, 2)),
    levl    INTEGER NOT NULL DEFAULT 0,
    labl    TEXT NOT NULL DEFAULT '' CHECK (length(labl) <= 17),
    fram    INTEGER NOT NULL DEFAULT 2 CHECK (fram IN (1, 2)),
    inso    INTEGER NOT NULL DEFAULT 1 CHECK (inso IN (1, 2)),
    inmo    INTEGER NOT NULL DEFAULT 1 CHECK (inmo IN (1, 2)),
    pare    INTEGER NOT NULL DEFAULT 0,
    prev    INTEGER NOT NULL DEFAULT 0,
    next    INTEGER NOT NULL DEFAULT 0,
    chld    INTEGER NOT NULL DEFAULT 0,
    fld1    INTEGER NOT NULL DEFAULT 0,
    -- Alignment group one step away from zero: -1 and below default, 1 equal, 2 and up own.
    algr    INTEGER NOT NULL DEFAULT 1,
    virt    INTEGER NOT NULL DEFAULT 2 CHECK (virt IN (1, 2)),
    wdth    INTEGER NOT NULL DEFAULT 1,
    -- Form-version level of the editor that stored the row; the form's row 1 counts.
    za_revi INTEGER NOT NULL DEFAULT 0,
    za_cbox INTEGER NOT NULL DEFAULT 2 CHECK (za_cbox IN (1, 2)),
    za_newp INTEGER NOT NULL DEFAULT 2 CHECK (za_newp IN (1, 2)),
    za_besi INTEGER NOT NULL DEFAULT 2 CHECK (za_besi IN (1, 2)),
    -- Bits: 1 check box on the frame, 2 rich view, 4 new page (multi occ.), 8 dashboard.
    za_misc INTEGER NOT NULL DEFAULT 0,
    -- Parent table and flag of a selection group; editors below level 11 leave them out.
    zb_tabp TEXT NOT NULL DEFAULT '' CHECK (length(zb_tabp) <= 8),
    zb_selg INTEGER NOT NULL DEFAULT 2 CHECK (zb_selg IN (1, 2)),
    PRIMARY KEY (clan, cpac, vers, rele, cust, cmod, cfrm, grpi)
);

-- Fields, label-only entries and pictures: what the entry is. sequ is the entry's
-- number in the form, omod its order number in the tree; field links hold omod values.
CREATE TABLE qxzrn301 (
    clan    TEXT NOT NULL CHECK (length(clan) <= 1),
    cpac    TEXT NOT NULL CHECK (length(cpac) <= 2),
    vers    TEXT NOT NULL CHECK (length(vers) <= 4),
    rele    TEXT NOT NULL CHECK (length(rele) <= 2),
    cust    TEXT NOT NULL CHECK (length(cust) <= 4),
    cmod    TEXT NOT NULL CHECK (length(cmod) <= 3),
    cfrm    TEXT NOT NULL CHECK (length(cfrm) BETWEEN 1 AND 9),
    sequ    INTEGER NOT NULL CHECK (sequ BETWEEN 1 AND 32767),
    xpos    INTEGER NOT NULL DEFAULT 0,
    ypos    INTEGER NOT NULL DEFAULT 0,
    fldn    TEXT NOT NULL DEFAULT '' CHECK (length(fldn) <= 17),
    -- Array element; -1 marks a multi-currency field.
    elem    INTEGER NOT NULL DEFAULT 1,
    pacd    TEXT NOT NULL DEFAULT '' CHECK (length(pacd) <= 2),
    cdom    TEXT NOT NULL DEFAULT '' CHECK (length(cdom) <= 12),
    typf    INTEGER NOT NULL DEFAULT 1,
    difo    TEXT NOT NULL DEFAULT '',
    difl    INTEGER NOT NULL DEFAULT 1 CHECK (difl IN (1, 2)),
    mini    INTEGER NOT NULL DEFAULT 0,
    maxd    INTEGER NOT NULL DEFAULT 1,
    mxdl    INTEGER NOT NULL DEFAULT 1 CHECK (mxdl IN (1, 2)),
    maxi    INTEGER NOT NULL DEFAULT 1,
    mxil    INTEGER NOT NULL DEFAULT 1 CHECK (mxil IN (1, 2)),
    sttp    INTEGER NOT NULL DEFAULT 1,
    mult    INTEGER NOT NULL DEFAULT 2,
    zoom    INTEGER NOT NULL DEFAULT 1,
    zprg    TEXT NOT NULL DEFAULT '' CHECK (length(zprg) <= 15),
    zopm    TEXT NOT NULL DEFAULT '1',
    zret    TEXT NOT NULL DEFAULT '' CHECK (length(zret) <= 17),
    zcsp    INTEGER NOT NULL DEFAULT 0,
    defa    INTEGER NOT NULL DEFAULT 2 CHECK (defa IN (1, 2)),
    cmes    TEXT NOT NULL DEFAULT '' CHECK (length(cmes) <= 12),
    echo    INTEGER NOT NULL DEFAULT 1 CHECK (echo IN (1, 2)),
    flen    INTEGER NOT NULL DEFAULT 1,
    mand    INTEGER NOT NULL DEFAULT 2 CHECK (mand IN (1, 2)),
    dcex    TEXT NOT NULL DEFAULT '',
    labl    TEXT NOT NULL DEFAULT '' CHECK (length(labl) <= 34),
    omod    INTEGER NOT NULL CHECK (omod BETWEEN 0 AND 32767),
    PRIMARY KEY (clan, cpac, vers, rele, cust, cmod, cfrm, sequ)
);

-- Input properties, at most one row a field.
CREATE TABLE qxzrn302 (
    clan    TEXT NOT NULL,
    cpac    TEXT NOT NULL,
    vers    TEXT NOT NULL,
    rele    TEXT NOT NULL,
    cust    TEXT NOT NULL,
    cmod    TEXT NOT NULL,
    cfrm    TEXT NOT NULL,
    sequ    INTEGER NOT NULL,
    conv    INTEGER NOT NULL DEFAULT 0,
    adju    INTEGER NOT NULL DEFAULT 0,
    ille    TEXT NOT NULL DEFAULT '',
    lega    TEXT NOT NULL DEFAULT '',
    divf    INTEGER NOT NULL DEFAULT 0,
    rndm    INTEGER NOT NULL DEFAULT 0,
    rang    TEXT NOT NULL DEFAULT '',
    ranm    TEXT NOT NULL DEFAULT '',
    itfo    TEXT NOT NULL DEFAULT '',
    -- Input reference expression and default value.
    inpc    TEXT NOT NULL DEFAULT '1',
    defa    TEXT NOT NULL DEFAULT '',
    cnow    TEXT NOT NULL DEFAULT '',
    -- Synchronized field.
    za_prop INTEGER NOT NULL DEFAULT 2 CHECK (za_prop IN (1, 2)),
    zb_mgui INTEGER NOT NULL DEFAULT 1,
    zc_mcur INTEGER NOT NULL DEFAULT 2,
    PRIMARY KEY (clan, cpac, vers, rele, cust, cmod, cfrm, sequ),
    -- Checked at commit: a save deletes a field's rows table by table.
    FOREIGN KEY (clan, cpac, vers, rele, cust, cmod, cfrm, sequ)
        REFERENCES qxzrn301 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ)
        DEFERRABLE INITIALLY DEFERRED
);

-- Layout and tree links of fields, one row for every qxzrn301 row.
CREATE TABLE qxzrn308 (
    clan    TEXT NOT NULL,
    cpac    TEXT NOT NULL,
    vers    TEXT NOT NULL,
    rele    TEXT NOT NULL,
    cust    TEXT NOT NULL,
    cmod    TEXT NOT NULL,
    cfrm    TEXT NOT NULL,
    sequ    INTEGER NOT NULL,
    grpi    INTEGER NOT NULL DEFAULT 0,
    -- Parent, next and first child field (follow-up fields), as omod values.
    pare    INTEGER NOT NULL DEFAULT 0,
    next    INTEGER NOT NULL DEFAULT 0,
    chld    INTEGER NOT NULL DEFAULT 0,
    fwup    INTEGER NOT NULL DEFAULT 2 CHECK (fwup IN (1, 2)),
    behi    INTEGER NOT NULL DEFAULT 2 CHECK (behi IN (1, 2)),
    inso    INTEGER NOT NULL DEFAULT 1 CHECK (inso IN (1, 2)),
    inmo    INTEGER NOT NULL DEFAULT 1 CHECK (inmo IN (1, 2)),
    aggr    INTEGER NOT NULL DEFAULT 2,
    lali    INTEGER NOT NULL DEFAULT 2,
    lxpo    INTEGER NOT NULL DEFAULT 0,
    depe    INTEGER NOT NULL DEFAULT 2 CHECK (depe IN (1, 2)),
    lpos    INTEGER NOT NULL DEFAULT 1,
    llso    INTEGER NOT NULL DEFAULT 0,
    lhso    INTEGER NOT NULL DEFAULT 1,
    llmo    INTEGER NOT NULL DEFAULT 999,
    lhmo    INTEGER NOT NULL DEFAULT 1,
    xend    INTEGER NOT NULL DEFAULT 0,
    colu    INTEGER NOT NULL DEFAULT 0,
    optx    INTEGER NOT NULL DEFAULT 0,
    za_hght INTEGER NOT NULL DEFAULT 1,
    za_view INTEGER NOT NULL DEFAULT 2 CHECK (za_view IN (1, 2)),
    za_yesv INTEGER NOT NULL DEFAULT 0,
    za_srch TEXT NOT NULL DEFAULT '' CHECK (length(za_srch) <= 17),
    za_cnst INTEGER NOT NULL DEFAULT 0,
    za_icon TEXT NOT NULL DEFAULT '' CHECK (length(za_icon) <= 16),
    za_zind INTEGER NOT NULL DEFAULT 0,
    -- Control: 0 input, 1 check box, 2 list box, 3 option set, 4 picture, 5 none,
    -- 6 string, 7 string list, 8 string combo.
    ctrl    INTEGER NOT NULL DEFAULT 5 CHECK (ctrl BETWEEN 0 AND 8),
    za_adju INTEGER NOT NULL DEFAULT 2,
    za_able INTEGER NOT NULL DEFAULT 2 CHECK (za_able IN (1, 2)),
    -- Bits: 1 in grid, 2 occurrence-independent view field, 4 initially hidden.
    za_misc INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (clan, cpac, vers, rele, cust, cmod, cfrm, sequ),
    FOREIGN KEY (clan, cpac, vers, rele, cust, cmod, cfrm, sequ)
        REFERENCES qxzrn301 (clan, cpac, vers, rele, cust, cmod, cfrm, sequ)
        DEFERRABLE INITIALLY DEFERRED
);

-- Form commands. btyp is a constant of the enum domain zrn.btyp; sequ links the command
-- to the form (0), a group (its number) or a field (its omod).
CREATE TABLE qxzrn316 (
    clan    TEXT NOT NULL,
    cpac    TEXT NOT NULL,
    vers    TEXT NOT NULL,
    rele    TEXT NOT NULL,
    cust    TEXT NOT NULL,
    cmod    TEXT NOT NULL,
    cfrm    TEXT NOT NULL,
    sern    INTEGER NOT NULL,
    btyp    INTEGER NOT NULL DEFAULT 1,
    mscf    TEXT NOT NULL DEFAULT '' CHECK (length(mscf) <= 25),
    sequ    INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (clan, cpac, vers, rele, cust, cmod, cfrm, sern)
);

-- Technical documentation of fields. rkey is the module, the form code padded with
-- blanks to 9 characters and the field name, written together.
CREATE TABLE qxzrn150 (
    cpac    TEXT NOT NULL,
    vers    TEXT NOT NULL,
    rele    TEXT NOT NULL,
    cust    TEXT NOT NULL,
    ktex    INTEGER NOT NULL DEFAULT 4,
    rkey    TEXT NOT NULL,
    hdre    INTEGER NOT NULL DEFAULT 2,
    clan    TEXT NOT NULL,
    text    TEXT NOT NULL DEFAULT '',
    PRIMARY KEY (cpac, vers, rele, cust, ktex, rkey, hdre, clan)
);
