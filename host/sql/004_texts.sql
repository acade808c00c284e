-- Texts: labels, group labels, messages and questions, per language.
-- Conventions as in 002_design.sql. The editor's own texts live in package "qx".

-- Labels. One code has several variants, each a text for a place of leng characters
-- on lhgt lines. seak is the search key of the text: upper case, blanks removed, at
-- most 10 characters.
CREATE TABLE qxzrn140 (
    clan TEXT NOT NULL CHECK (length(clan) = 1),
    cpac TEXT NOT NULL CHECK (length(cpac) <= 2),
    clab TEXT NOT NULL CHECK (length(clab) BETWEEN 1 AND 17),
    lhgt INTEGER NOT NULL DEFAULT 1 CHECK (lhgt BETWEEN 1 AND 99),
    leng INTEGER NOT NULL CHECK (leng BETWEEN 1 AND 999),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    desc TEXT NOT NULL CHECK (length(desc) <= 70),
    expi INTEGER NOT NULL DEFAULT 2 CHECK (expi IN (1, 2)),
    seak TEXT NOT NULL DEFAULT '' CHECK (length(seak) <= 10),
    PRIMARY KEY (clan, cpac, clab, lhgt, leng, vers, rele, cust)
);
CREATE INDEX qxzrn140_seak ON qxzrn140 (clan, cpac, seak);

-- Group labels: a group's label code gives a tab text (its shortest one-line variant)
-- and a frame text (its longest one-line variant of at most 40 characters, or the
-- shortest when every variant is longer).
CREATE VIEW qxzrn140_grp AS
SELECT g.clan, g.cpac, g.clab, g.vers, g.rele, g.cust,
       (SELECT t.desc FROM qxzrn140 t
         WHERE t.clan = g.clan AND t.cpac = g.cpac AND t.clab = g.clab
           AND t.vers = g.vers AND t.rele = g.rele AND t.cust = g.cust AND t.lhgt = 1
         ORDER BY t.leng LIMIT 1) AS tdsc,
       (SELECT f.desc FROM qxzrn140 f
         WHERE f.clan = g.clan AND f.cpac = g.cpac AND f.clab = g.clab
           AND f.vers = g.vers AND f.rele = g.rele AND f.cust = g.cust AND f.lhgt = 1
         ORDER BY f.leng > 40, CASE WHEN f.leng > 40 THEN f.leng ELSE -f.leng END LIMIT 1) AS fdsc
  FROM (SELECT DISTINCT clan, cpac, clab, vers, rele, cust FROM qxzrn140 WHERE lhgt = 1) g;

-- Messages. The editor names its own as package "qx" and a code of "plqx" or "zrnd"
-- and four digits. Placeholders: "%s" taken in order, or "%1$s" to "%3$s"; "%n" and
-- "++" break the line. expi 1: an explanation exists.
CREATE TABLE qxzrn450 (
    clan TEXT NOT NULL CHECK (length(clan) = 1),
    cpac TEXT NOT NULL CHECK (length(cpac) <= 2),
    cmes TEXT NOT NULL CHECK (length(cmes) BETWEEN 1 AND 12),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    expi INTEGER NOT NULL DEFAULT 2 CHECK (expi IN (1, 2)),
    mess TEXT NOT NULL CHECK (length(mess) <= 132),
    PRIMARY KEY (clan, cpac, cmes, vers, rele, cust)
);

-- Questions, laid out as the messages.
CREATE TABLE qxzrn451 (
    clan TEXT NOT NULL CHECK (length(clan) = 1),
    cpac TEXT NOT NULL CHECK (length(cpac) <= 2),
    cmes TEXT NOT NULL CHECK (length(cmes) BETWEEN 1 AND 12),
    vers TEXT NOT NULL,
    rele TEXT NOT NULL,
    cust TEXT NOT NULL,
    expi INTEGER NOT NULL DEFAULT 2 CHECK (expi IN (1, 2)),
    mess TEXT NOT NULL CHECK (length(mess) <= 132),
    PRIMARY KEY (clan, cpac, cmes, vers, rele, cust)
);
