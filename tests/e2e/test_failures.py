"""A failure that nothing handles, at every stage of the program's life: the user is told in a box
that stays until answered, and the program then ends with code 1, leaving nothing running.

brantel-failure-probe.exe is the program's own start-up and window with one Windows call made to
fail (ERROR_ACCESS_DENIED, 5), given as --program.
"""

import unittest

from harness import automate, design, wine

import common

ARGS = None
CODE = 5
# Stage -> the operation that the report names.
STAGES = {"start": "CreateFont", "naming": "SetWindowText", "loading": "CreateWindowEx",
          "showing": "UpdateWindow", "event": "SetWindowText"}
STAYS_SECONDS = 2


def stage_steps(stage):
    steps = [["start", wine.windows_path(ARGS.program), "--arg", stage, "--cwd", "C:\\",
              "--set", "windir=C:\\nowhere"]]
    if stage == "event":  # the run fails at once; the failure escapes the click after its box
        button = design.control_ids(ARGS.facts)["CmdInstall"]
        steps += [["wait-window", "Brantel setup", 60], ["click", button],
                  ["wait-msgbox", 60], ["answer-msgbox"]]
    return steps + [["wait-msgbox", 60], ["pause", STAYS_SECONDS], ["windows"],
                    ["answer-msgbox"], ["wait-exit", 30]]


class UnhandledFailures(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        steps, cls.first_step = [], {}
        for stage in STAGES:
            cls.first_step[stage] = len(steps) + 1
            steps += stage_steps(stage)
        cls.steps = steps
        cls.report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps)
        # Nothing may be left running once every probe has ended.
        wine.wait_for_server(ARGS.prefix)
        if cls.report.failure():
            raise AssertionError(f"automation failed:\n{cls.report.output}")

    def records(self, stage, step_name):
        """What `stage`'s last step called `step_name` reported: its report box is the last."""
        steps = stage_steps(stage)
        last = max(i for i, step in enumerate(steps) if step[0] == step_name)
        return self.report.step(self.first_step[stage] + last)

    def test_each_report_names_the_code_the_system_text_and_the_operation(self):
        for stage, operation in STAGES.items():
            with self.subTest(stage=stage):
                box = self.records(stage, "wait-msgbox").one("msgbox")
                self.assertEqual(box["title"], "Brantel")
                self.assertEqual(box["buttons"], "1=OK")
                text = box["text"]
                self.assertIn(f"Error {CODE}: ", text)
                system_text = text.split(f"Error {CODE}: ", 1)[1].split("(")[0].strip()
                self.assertTrue(system_text, "the system's own text for the code")
                # The operation, and the source file and line that called it.
                self.assertRegex(text.rstrip(), rf"\({operation}, src/\w+/\w+\.cpp line \d+\)$")

    def test_the_report_stays_alone_until_answered_then_the_program_ends_with_1(self):
        for stage in STAGES:
            with self.subTest(stage=stage):
                shown = self.records(stage, "windows").all("top-level")
                self.assertEqual([(w["class"], w["title"]) for w in shown], [("#32770", "Brantel")],
                                 f"after {STAYS_SECONDS} s only the report is open")
                self.assertEqual(self.records(stage, "wait-exit").one("exited").int("code"), 1)


if __name__ == "__main__":
    ARGS, argv = common.parse()
    if not ARGS.program:
        raise SystemExit("--program is required")
    unittest.main(argv=argv, verbosity=2)
