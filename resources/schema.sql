-- The statistics: one row per exercise and item in stats, one per scored answer in results.
-- Rows are matched by (testName, itemName); no unique constraint, as scoring looks rows up first.
CREATE TABLE stats (
  testName TEXT NOT NULL,
  itemName TEXT NOT NULL,
  right    INTEGER NOT NULL DEFAULT 0,
  wrong    INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX stats_test_item ON stats (testName, itemName);

CREATE TABLE results (
  testName   TEXT NOT NULL,
  itemName   TEXT NOT NULL,
  result     INTEGER NOT NULL,
  numTryouts INTEGER NOT NULL DEFAULT 0,
  date       TEXT NOT NULL
);
CREATE INDEX results_test_item ON results (testName, itemName);
